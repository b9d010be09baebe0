// Keeps the notification services informed of when the program must run: the
// launcher's wake-up registration, the start-up shortcut, and one timed
// registration at the earliest next run of the timed commands, whose names it
// stores in "NextScheduled".
#ifndef MORVANE_SCHEDULE_SCHEDULER_H
#define MORVANE_SCHEDULE_SCHEDULER_H

#include <windows.h>
#include "commands/command.h"
#include "schedule/calendar_date.h"

class Scheduler {
public:
    Scheduler();
    virtual ~Scheduler();

    void RegisterWakeupEvent();
    void ClearEventRegistrations();
    void CreateStartupShortcut();
    void DeleteStartupShortcut();
    void ClearTimedRegistrations();
    void ScheduleNextRun();
    void ComputeNextRun(const Command& command, CalendarDate& date);

private:
    wchar_t installFolder[PathCapacity];
};

#endif
