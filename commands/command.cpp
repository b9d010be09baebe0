#include "commands/command.h"
#include "schedule/calendar_date.h"

Command::ActionData::ActionData() : cleanupOptions(AllCleanupOptions), folderPath(), includeSubfolders(1),
    programPath(), programArguments(), messageText(), soundName(), soundRepeatCount(1) {}

// Every date default describes today, and the run time is the same reading of
// the device clock, so a construction at midnight cannot mix two days.
Command::Schedule::Schedule() : recurrence(Recurrence::Daily), timeMode(TimeMode::AtFirstPowerOn), runTime(),
    weekdayMask(0), monthlyMode(MonthlyMode::MonthlyByDay), monthlyDay(0), monthlyWeek(0), monthlyWeekday(0),
    yearlyMode(YearlyMode::YearlyByDate), yearlyMonth(0), yearlyDay(0), yearlyWeek(0), yearlyWeekday(0),
    yearlyWeekMonth(0), onceDay(0), onceMonth(0), onceYear(0)
{
    CalendarDate today;
    today.GetSystemTime(&runTime);
    runTime.wSecond = 0;

    WORD dayOfWeek = today.GetDayOfWeek();
    WORD weekIndex = static_cast<WORD>(today.WeekOfMonth() - 1);
    weekdayMask = static_cast<WORD>(1u << dayOfWeek);
    monthlyDay = today.GetDay();
    monthlyWeek = weekIndex;
    monthlyWeekday = dayOfWeek;
    yearlyMonth = today.GetMonth();
    yearlyDay = today.GetDay();
    yearlyWeek = weekIndex;
    yearlyWeekday = dayOfWeek;
    yearlyWeekMonth = today.GetMonth();
    onceDay = today.GetDay();
    onceMonth = today.GetMonth();
    onceYear = today.GetYear();
}

Command::Command() : actionKind(ActionKind::LaunchProgram), triggerKind(TriggerKind::AfterPowerOn), commandName() {}
