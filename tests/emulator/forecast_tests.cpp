// The forecast of a command set against the moments the scheduler's own
// tests expect (month ends, a fifth Friday, 29 February, the year end, the
// weekly set naming no weekday), the first-power-on days of the due test,
// and the event commands listed once.
#include "platform/text.h"
#include "tests/schedule/timed_commands.h"
#include "emulator/forecast.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace schedule_test;

Command named(Command c, const wchar_t* name)
{
    copyText(c.commandName, name);
    return c;
}

Command atFirstPowerOn(Command c)
{
    c.schedule.timeMode = TimeMode::AtFirstPowerOn;
    return c;
}

Command withTrigger(const wchar_t* name, TriggerKind trigger)
{
    Command c = timedCommand(name, Recurrence::Daily, 0, 0);
    c.triggerKind = trigger;
    return c;
}

Command weekly(const wchar_t* name, WORD mask, WORD hour, WORD minute)
{
    Command c = timedCommand(name, Recurrence::Weekly, hour, minute);
    c.schedule.weekdayMask = mask;
    return c;
}

Command monthly(const wchar_t* name, MonthlyMode mode, WORD dayOrWeek, WORD weekday, WORD hour, WORD minute)
{
    Command c = timedCommand(name, Recurrence::Monthly, hour, minute);
    c.schedule.monthlyMode = mode;
    c.schedule.monthlyDay = dayOrWeek;
    c.schedule.monthlyWeek = dayOrWeek;
    c.schedule.monthlyWeekday = weekday;
    return c;
}

Command yearlyByDate(const wchar_t* name, WORD month, WORD day, WORD hour, WORD minute)
{
    Command c = timedCommand(name, Recurrence::Yearly, hour, minute);
    c.schedule.yearlyMode = YearlyMode::YearlyByDate;
    c.schedule.yearlyMonth = month;
    c.schedule.yearlyDay = day;
    return c;
}

Command once(const wchar_t* name, WORD year, WORD month, WORD day, WORD hour, WORD minute)
{
    Command c = timedCommand(name, Recurrence::Once, hour, minute);
    c.schedule.onceYear = year;
    c.schedule.onceMonth = month;
    c.schedule.onceDay = day;
    return c;
}

// "2003-08-29 08:00 name": the date, the time or the event, the name.
std::wstring summary(const forecast::Run& run)
{
    wchar_t date[32];
    swprintf(date, std::size(date), L"%04u-%02u-%02u ", run.moment.wYear, run.moment.wMonth, run.moment.wDay);
    switch (run.when) {
    case forecast::When::EveryPowerOn: return L"every power-on " + run.name;
    case forecast::When::AfterReset: return L"after a reset " + run.name;
    case forecast::When::FirstPowerOn: return date + std::wstring(L"first ") + run.name;
    case forecast::When::AtTime: break;
    }
    wchar_t time[16];
    swprintf(time, std::size(time), L"%02u:%02u ", run.moment.wHour, run.moment.wMinute);
    return date + std::wstring(time) + run.name + (run.passed ? L" (passed)" : L"");
}

TEST(Forecast, ListsTheRunsTheSchedulerExpectsInTimeOrder)
{
    struct Case {
        const char* what;
        std::vector<Command> commands;
        SYSTEMTIME now;
        int days;
        bool doneToday;
        std::vector<std::wstring> expected;
    };
    const std::vector<Case> cases = {
        {"5th Friday skips the months without one",
         {monthly(L"fifth", MonthlyMode::MonthlyByWeekday, 4, 5, 8, 0)}, moment(2003, 6, 1, 9, 0), 120, false,
         {L"2003-08-29 08:00 fifth"}},
        {"monthly 31st from 31 January after its time, over 60 days",
         {monthly(L"m31", MonthlyMode::MonthlyByDay, 31, 0, 8, 0)}, moment(2003, 1, 31, 9, 0), 60, false,
         {L"2003-03-31 08:00 m31"}},
        {"29 February comes in the leap year",
         {yearlyByDate(L"leap", 2, 29, 8, 0), timedCommand(L"eve", Recurrence::Daily, 23, 59)},
         moment(2028, 2, 28, 9, 0), 2, false,
         {L"2028-02-28 23:59 eve", L"2028-02-29 08:00 leap", L"2028-02-29 23:59 eve"}},
        {"daily 23:59 over the year end", {timedCommand(L"d", Recurrence::Daily, 23, 59)},
         moment(2003, 12, 31, 23, 59), 3, false, {L"2004-01-01 23:59 d", L"2004-01-02 23:59 d"}},
        // Seen from its own run the search starts the next day: every eighth day.
        {"weekly with no weekday: a week after the starting day", {weekly(L"w", 0, 8, 0)}, moment(2003, 6, 10, 7, 0),
         16, false, {L"2003-06-17 08:00 w", L"2003-06-25 08:00 w"}},
        // Every run of another timed command computes it a week ahead again.
        {"weekly with no weekday beside a daily command never comes",
         {weekly(L"w", 0, 8, 0), timedCommand(L"d", Recurrence::Daily, 7, 0)}, moment(2003, 6, 10, 7, 30), 16, false,
         {L"2003-06-11 07:00 d", L"2003-06-12 07:00 d", L"2003-06-13 07:00 d", L"2003-06-14 07:00 d",
          L"2003-06-15 07:00 d", L"2003-06-16 07:00 d", L"2003-06-17 07:00 d", L"2003-06-18 07:00 d",
          L"2003-06-19 07:00 d", L"2003-06-20 07:00 d", L"2003-06-21 07:00 d", L"2003-06-22 07:00 d",
          L"2003-06-23 07:00 d", L"2003-06-24 07:00 d", L"2003-06-25 07:00 d"}},
        {"first power-on days, today's done; events last; a passed Once first",
         {withTrigger(L"reset", TriggerKind::AfterReset), atFirstPowerOn(weekly(L"monthu", 0x12, 0, 0)),
          timedCommand(L"eight", Recurrence::Daily, 8, 0), withTrigger(L"power", TriggerKind::AfterPowerOn),
          withTrigger(L"morning", TriggerKind::FirstPowerOnOfDay), once(L"missed", 2003, 6, 1, 12, 0),
          once(L"later", 2003, 7, 1, 8, 0)},
         moment(2003, 6, 10, 9, 0), 3, true,
         {L"2003-06-01 12:00 missed (passed)", L"2003-06-11 first morning", L"2003-06-11 08:00 eight",
          L"2003-06-12 first monthu", L"2003-06-12 first morning", L"2003-06-12 08:00 eight",
          L"every power-on power", L"after a reset reset"}},
        {"today's first power-on still to come", {withTrigger(L"morning", TriggerKind::FirstPowerOnOfDay)},
         moment(2003, 6, 10, 9, 0), 1, false, {L"2003-06-10 first morning"}},
    };
    for (const Case& c : cases) {
        std::vector<std::wstring> got;
        for (const forecast::Run& run :
             forecast::runs(c.commands, dateAt(c.now.wYear, c.now.wMonth, c.now.wDay, c.now.wHour, c.now.wMinute),
                            c.days, c.doneToday))
            got.push_back(summary(run));
        EXPECT_EQ(c.expected, got) << c.what;
    }

    // One whole line of each kind, as the device prints them.
    Command launch = named(timedCommand(L"Backup", Recurrence::Daily, 22, 0), L"Backup");
    Command message = withTrigger(L"Hello", TriggerKind::FirstPowerOnOfDay);
    message.actionKind = ActionKind::ShowMessage;
    copyText(message.action.messageText, L"Good\r\nmorning");
    std::vector<std::wstring> lines;
    for (const forecast::Run& run : forecast::runs({launch, message}, dateAt(2028, 1, 3, 9, 0), 1, false))
        lines.push_back(forecast::line(run));
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(L"2028-01-03 Mon  first power-on  Hello  message \"Good  morning\"", lines[0]);
    EXPECT_EQ(L"2028-01-03 Mon  22:00           Backup  " + forecast::describeAction(launch), lines[1]);
}

} // namespace
