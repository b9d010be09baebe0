#include "commands/command.h"

Command::ActionData::ActionData() : cleanupOptions(AllCleanupOptions), folderPath(), includeSubfolders(1),
    programPath(), programArguments(), messageText(), soundName(), soundRepeatCount(1) {}

Command::Schedule::Schedule() : recurrence(Recurrence::Daily), timeMode(TimeMode::AtFirstPowerOn), runTime(),
    weekdayMask(0), monthlyMode(MonthlyMode::MonthlyByDay), monthlyDay(0), monthlyWeek(0), monthlyWeekday(0),
    yearlyMode(YearlyMode::YearlyByDate), yearlyMonth(0), yearlyDay(0), yearlyWeek(0), yearlyWeekday(0),
    yearlyWeekMonth(0), onceDay(0), onceMonth(0), onceYear(0) {}

Command::Command() : actionKind(ActionKind::LaunchProgram), triggerKind(TriggerKind::AfterPowerOn), commandName() {}
