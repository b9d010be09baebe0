#include "emulator/forecast.h"
#include "schedule/due_test.h"
#include "schedule/scheduler.h"

#include <algorithm>
#include <cwchar>
#include <iterator>

namespace forecast {

namespace {

ULONGLONG dayKey(const SYSTEMTIME& t) { return (static_cast<ULONGLONG>(t.wYear) * 16 + t.wMonth) * 32 + t.wDay; }

ULONGLONG minuteKey(const SYSTEMTIME& t) { return (dayKey(t) * 24 + t.wHour) * 60 + t.wMinute; }

std::wstring oneLine(const wchar_t* text)
{
    std::wstring result = text;
    for (wchar_t& c : result)
        if (c == L'\r' || c == L'\n' || c == L'\t') c = L' ';
    return result;
}

} // namespace

std::wstring describeAction(const Command& command)
{
    const Command::ActionData& a = command.action;
    wchar_t text[64];
    switch (command.actionKind) {
    case ActionKind::LaunchProgram: {
        std::wstring result = L"launch " + oneLine(a.programPath);
        if (a.programArguments[0]) result += L" " + oneLine(a.programArguments);
        return result;
    }
    case ActionKind::ShowMessage:
        return L"message \"" + oneLine(a.messageText) + L"\"";
    case ActionKind::PlaySound:
        swprintf(text, std::size(text), L" %d times", static_cast<int>(a.soundRepeatCount));
        return L"sound " + oneLine(a.soundName) + text;
    case ActionKind::CleanFolder:
        return L"clean " + oneLine(a.folderPath) + (a.includeSubfolders ? L" with its subfolders" : L"");
    case ActionKind::CloseAllPrograms:
        return L"close all programs";
    case ActionKind::Cleanup:
        return L"cleanup (counted only)";
    }
    return L"nothing (unknown action)";
}

std::vector<Run> runs(const std::vector<Command>& commands, const CalendarDate& now, int days,
                      bool firstPowerOnDoneToday)
{
    struct Keyed {
        ULONGLONG key;   // minutes; a day's first power-on sorts before its minute 0
        size_t order;
        Run run;
    };
    std::vector<Keyed> timed;
    std::vector<Run> events;
    if (days < 1) days = 1;

    CalendarDate today;
    today.Assign(now);
    today.SetDay(today.GetDay());   // the day of week from the date
    CalendarDate last;
    last.Assign(today);
    for (int day = 1; day < days; ++day) last.AddDay();
    const ULONGLONG lastDay = dayKey(last.time);

    size_t order = 0;
    std::vector<size_t> timedCommands;
    for (const Command& command : commands) {
        ++order;
        const std::wstring name = command.commandName;
        if (command.triggerKind == TriggerKind::AfterPowerOn) {
            events.push_back({When::EveryPowerOn, {}, false, name, describeAction(command)});
            continue;
        }
        if (command.triggerKind == TriggerKind::AfterReset) {
            events.push_back({When::AfterReset, {}, false, name, describeAction(command)});
            continue;
        }
        const bool everyDay = command.triggerKind == TriggerKind::FirstPowerOnOfDay;
        const bool scheduled = command.triggerKind == TriggerKind::OnSchedule;
        if (everyDay || (scheduled && command.schedule.timeMode == TimeMode::AtFirstPowerOn)) {
            CalendarDate date;
            date.Assign(today);
            for (int day = 0; day < days; ++day, date.AddDay()) {
                if (day == 0 && firstPowerOnDoneToday) continue;
                if (!everyDay && !isDueOnDate(command.schedule, date)) continue;
                SYSTEMTIME moment = date.time;
                moment.wHour = moment.wMinute = moment.wSecond = moment.wMilliseconds = 0;
                timed.push_back({dayKey(moment) * 24 * 60, order,
                                 {When::FirstPowerOn, moment, false, name, describeAction(command)}});
            }
            continue;
        }
        if (scheduled && command.schedule.timeMode == TimeMode::AtSpecificTime) timedCommands.push_back(order - 1);
    }
    // The timed runs as the device makes them: one registration at the
    // earliest next run of all timed commands; at that moment the commands
    // due then run, and every next run is computed again from that minute.
    // (A weekly set naming no weekday moves a week ahead at each of those
    // computations, so it runs only when nothing else runs in between.)
    std::vector<bool> gone(commands.size(), false);
    CalendarDate from;
    from.Assign(now);
    for (;;) {
        CalendarDate next, earliest;
        std::vector<size_t> due;
        for (size_t index : timedCommands) {
            if (gone[index] || !Scheduler::ComputeNextRun(commands[index], next, from)) continue;
            if (!due.empty() && minuteKey(next.time) > minuteKey(earliest.time)) continue;
            if (due.empty() || minuteKey(next.time) < minuteKey(earliest.time)) due.clear();
            if (due.empty()) earliest.Assign(next);
            due.push_back(index);
        }
        if (due.empty() || dayKey(earliest.time) > lastDay) break;
        const bool passed = minuteKey(earliest.time) < minuteKey(now.time);
        for (size_t index : due) {
            const Command& command = commands[index];
            timed.push_back({minuteKey(earliest.time), index + 1,
                             {When::AtTime, earliest.time, passed, command.commandName, describeAction(command)}});
            // A Once command is deleted after its run.
            if (command.schedule.recurrence == Recurrence::Once) gone[index] = true;
        }
        // A passed moment runs at once: the clock stays where it is.
        if (!passed) from.Assign(earliest);
    }
    // A day's first power-on before its timed runs; file order within a moment.
    std::stable_sort(timed.begin(), timed.end(), [](const Keyed& a, const Keyed& b) {
        if (a.key != b.key) return a.key < b.key;
        if (a.run.when != b.run.when) return a.run.when == When::FirstPowerOn;
        return a.order < b.order;
    });
    std::vector<Run> result;
    for (Keyed& k : timed) result.push_back(k.run);
    std::stable_sort(events.begin(), events.end(),
                     [](const Run& a, const Run& b) { return a.when == When::EveryPowerOn && b.when == When::AfterReset; });
    result.insert(result.end(), events.begin(), events.end());
    return result;
}

std::wstring line(const Run& run)
{
    static const wchar_t* const DayNames[] = {L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat"};
    wchar_t when[48];
    const SYSTEMTIME& t = run.moment;
    switch (run.when) {
    case When::EveryPowerOn:
        swprintf(when, std::size(when), L"%-30ls", L"every power-on");
        break;
    case When::AfterReset:
        swprintf(when, std::size(when), L"%-30ls", L"after a reset");
        break;
    case When::FirstPowerOn:
    case When::AtTime: {
        wchar_t time[16];
        if (run.when == When::FirstPowerOn) swprintf(time, std::size(time), L"first power-on");
        else swprintf(time, std::size(time), L"%02u:%02u", t.wHour, t.wMinute);
        swprintf(when, std::size(when), L"%04u-%02u-%02u %ls  %-14ls", t.wYear, t.wMonth, t.wDay,
                 DayNames[CalendarDate::CalcDayOfWeek(t.wYear, t.wMonth, t.wDay) % 7], time);
        break;
    }
    }
    std::wstring result = when;
    result += L"  " + run.name + L"  " + run.action;
    if (run.passed) result += L"  (its moment has passed: it runs as soon as it is registered)";
    return result;
}

} // namespace forecast
