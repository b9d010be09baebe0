#include "wizard/summary_text.h"
#include <cstdio>
#include <iterator>
#include <windows.h>
#include "platform/text.h"
#include "resources/resource.h"
#include "schedule/calendar_date.h"
#include "wizard/wizard_pages.h"
#include "wizard/wizard_state.h"

namespace {

using Summary = wchar_t[SummaryCapacity];
using Piece = wchar_t[PathCapacity];

// Week index 4 is what a command made on the 29th to 31st holds: the
// scheduler takes it as the fifth such weekday.
const wchar_t* ordinalWord(WORD weekIndex)
{
    static const wchar_t* const words[] = {L"1st", L"2nd", L"3rd", L"4th", L"5th"};
    return weekIndex < std::size(words) ? words[weekIndex] : L"unknown";
}

void appendDayName(const CalendarDate& calendar, WORD dayOfWeek, Summary& text)
{
    Piece name = L"";
    if (!calendar.GetShortDayName(dayOfWeek, name, static_cast<int>(std::size(name)))) name[0] = L'\0';
    appendText(text, name);
}

void appendWeekly(const CalendarDate& calendar, WORD mask, Summary& text)
{
    appendText(text, L"Weekly on ");
    bool first = true;
    for (WORD day = 0; day < 7; ++day) {
        if (!((mask >> day) & 1)) continue;
        if (!first) appendText(text, L", ");
        appendDayName(calendar, day, text);
        first = false;
    }
    appendText(text, L"\r\n");
}

void appendMonthly(const CalendarDate& calendar, const Command::Schedule& schedule, Summary& text)
{
    Piece line = L"";
    appendText(text, L"Monthly ");
    if (schedule.monthlyMode == MonthlyMode::MonthlyByDay) {
        swprintf(line, std::size(line), L"on day %u of every month\r\n", unsigned{schedule.monthlyDay});
    } else {
        Piece day = L"";
        if (!calendar.GetShortDayName(schedule.monthlyWeekday, day, static_cast<int>(std::size(day)))) day[0] = 0;
        swprintf(line, std::size(line), L"on the %ls %ls of every month\r\n", ordinalWord(schedule.monthlyWeek), day);
    }
    appendText(text, line);
}

void appendYearly(const CalendarDate& calendar, const Command::Schedule& schedule, Summary& text)
{
    Piece line = L"";
    appendText(text, L"Yearly ");
    if (schedule.yearlyMode == YearlyMode::YearlyByDate) {
        Piece month = L"";
        if (!calendar.GetMonthName(schedule.yearlyMonth, month, static_cast<int>(std::size(month)))) month[0] = 0;
        swprintf(line, std::size(line), L"on %ls %u\r\n", month, unsigned{schedule.yearlyDay});
    } else {
        Piece day = L"", month = L"";
        if (!calendar.GetShortDayName(schedule.yearlyWeekday, day, static_cast<int>(std::size(day)))) day[0] = 0;
        if (!calendar.GetMonthName(schedule.yearlyWeekMonth, month, static_cast<int>(std::size(month)))) month[0] = 0;
        // The leading blank gives two blanks after "Yearly".
        swprintf(line, std::size(line), L" on the %ls %ls of %ls\r\n", ordinalWord(schedule.yearlyWeek), day, month);
    }
    appendText(text, line);
}

void appendRecurrence(const CalendarDate& calendar, const Command::Schedule& schedule, Summary& text)
{
    Piece line = L"";
    switch (schedule.recurrence) {
    case Recurrence::Daily:
        appendText(text, L"Daily\r\n");
        break;
    case Recurrence::Weekly:
        appendWeekly(calendar, schedule.weekdayMask, text);
        break;
    case Recurrence::Monthly:
        appendMonthly(calendar, schedule, text);
        break;
    case Recurrence::Yearly:
        appendYearly(calendar, schedule, text);
        break;
    case Recurrence::Once:
        swprintf(line, std::size(line), L"Once on %u-%u-%u\r\n", unsigned{schedule.onceDay},
                 unsigned{schedule.onceMonth}, unsigned{schedule.onceYear});
        appendText(text, line);
        break;
    default:
        break;
    }
}

void appendTrigger(const CalendarDate& calendar, const Command& command, Summary& text)
{
    switch (command.triggerKind) {
    case TriggerKind::AfterReset:
        appendText(text, L"When device is reset\r\n");
        break;
    case TriggerKind::AfterPowerOn:
        appendText(text, L"When device is powered on\r\n");
        break;
    case TriggerKind::FirstPowerOnOfDay:
        appendText(text, L"At the beginning of the day\r\n");
        break;
    case TriggerKind::OnSchedule: {
        appendRecurrence(calendar, command.schedule, text);
        appendText(text, L"Trigger: ");
        if (command.schedule.timeMode == TimeMode::AtFirstPowerOn) {
            appendText(text, L"At first device power on");
        } else {
            Piece time = L"";
            swprintf(time, std::size(time), L"At %u:%u", unsigned{command.schedule.runTime.wHour},
                     unsigned{command.schedule.runTime.wMinute});
            appendText(text, time);
        }
        break;
    }
    default:
        break;
    }
}

void appendCleanupOptions(WORD options, Summary& text)
{
    static const struct { WORD bit; const wchar_t* line; } lines[] = {
        {RemoveEmptyItems, L"* Remove empty directories and files\r\n"},
        {RemoveTemporaryFiles, L"* Remove temporary files\r\n"},
        {CleanRegistry, L"* Fix and clean the system registry\r\n"},
        {CleanShortcuts, L"* Fix and clean shortcuts\r\n"},
        {ClearInternetCache, L"* Clear the internet cache\r\n"},
        {ClearInternetHistory, L"* Clear the internet history\r\n"},
    };
    appendText(text, L"Run Brisander\r\nBrisander options:\r\n");
    for (const auto& option : lines)
        if (options & option.bit) appendText(text, option.line);
}

void appendAction(const Command& command, Summary& text)
{
    const Command::ActionData& action = command.action;
    switch (command.actionKind) {
    case ActionKind::CloseAllPrograms:
        appendText(text, L"Close all applications\r\n");
        break;
    case ActionKind::CleanFolder:
        appendText(text, L"Delete contents of folder ");
        appendText(text, action.folderPath);
        appendText(text, L"\r\n");
        break;
    case ActionKind::Cleanup:
        appendCleanupOptions(action.cleanupOptions, text);
        break;
    case ActionKind::ShowMessage:
        appendText(text, L"Display a message\r\nMessage Text:\r\n");
        appendText(text, action.messageText);
        appendText(text, L"\r\n");
        break;
    case ActionKind::PlaySound: {
        Piece loop = L"";
        swprintf(loop, std::size(loop), L"\r\nLoop %d times\r\n", static_cast<int>(action.soundRepeatCount));
        appendText(text, L"Play sound file\r\nFile: ");
        appendText(text, action.soundName);
        appendText(text, loop);
        break;
    }
    case ActionKind::LaunchProgram:
        appendText(text, L"Execute program\r\nFile: ");
        appendText(text, action.programPath);
        appendText(text, L"\r\nArguments: ");
        appendText(text, action.programArguments);
        appendText(text, L"\r\n");
        break;
    default:
        break;
    }
}

} // namespace

void composeSummaryText(const Command& command, wchar_t (&text)[SummaryCapacity])
{
    CalendarDate calendar;
    text[0] = L'\0';
    appendText(text, L"Command Name: ");
    appendText(text, command.commandName);
    appendText(text, L"\r\nRun: ");
    appendTrigger(calendar, command, text);
    appendText(text, L"\r\nCommand: ");
    appendAction(command, text);
}

void buildSummaryText(HWND page)
{
    OutputDebugStringW(L"Generating Summary Text\r\n");
    static wchar_t text[SummaryCapacity];
    composeSummaryText(*wizardCommand, text);
    SetDlgItemTextW(page, IDC_FINISHED_SUMMARY, text);
    OutputDebugStringW(L"Finished Generating Summary Text\r\n");
}
