// What a set of stored commands will do over the coming days, computed by
// the scheduler's next-run computation (timed commands) and the runner's due
// test (commands of the first power-on of a day). Power-on and reset
// commands run at events no clock can tell, so they are listed once, under
// their event.
#ifndef MORVANE_EMULATOR_FORECAST_H
#define MORVANE_EMULATOR_FORECAST_H

#include "commands/command.h"
#include "schedule/calendar_date.h"

#include <string>
#include <vector>

namespace forecast {

enum class When { AtTime, FirstPowerOn, EveryPowerOn, AfterReset };

struct Run {
    When when;
    SYSTEMTIME moment;   // the date, and for AtTime the time; unused for the events
    bool passed;         // a Once moment already past: it runs as soon as it is registered
    std::wstring name;
    std::wstring action;
};

// The runs of `commands` (in file order) on today and the days - 1 days after
// it, from the present minute of `now`, in time order: each day's first
// power-on first, then its timed runs; then the event commands. When today's
// first power-on has happened already its commands are not listed for today.
std::vector<Run> runs(const std::vector<Command>& commands, const CalendarDate& now, int days,
                      bool firstPowerOnDoneToday);

// "2028-01-03 Mon  22:00           NAME  ACTION", "first power-on" in place of
// the time, "every power-on" or "after a reset" in place of date and time.
std::wstring line(const Run& run);

// What the command's action does, in a few words.
std::wstring describeAction(const Command& command);

} // namespace forecast

#endif
