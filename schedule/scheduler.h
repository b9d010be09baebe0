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
    // Registers the launcher at the earliest next run of the timed commands
    // and stores the names due at that moment, in file order, in
    // "NextScheduled", and the moment in "NextScheduledTime". A Once command
    // that ran at its moment is passed over. With no timed command nothing is
    // registered and the names stay as they were.
    void ScheduleNextRun();

    // Sets date to the command's next run after the present minute of the
    // device clock; a Once date gives its moment even when it has passed.
    // False when the schedule names no day or no time of day (stored values
    // outside the ranges the pages offer): such a command has no next run and
    // date holds no meaningful moment.
    bool ComputeNextRun(const Command& command, CalendarDate& date);
    // The same, seen from the moment now.
    static bool ComputeNextRun(const Command& command, CalendarDate& date, const CalendarDate& now);

private:
    void mainProgramPath(wchar_t (&path)[PathCapacity]) const;

    wchar_t installFolder[PathCapacity];
};

#endif
