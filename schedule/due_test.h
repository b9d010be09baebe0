// Which days a schedule names. The first-power-on run asks it of today; the
// next-run computation is built to find exactly the first such day, so both
// paths agree on what "due" means.
#ifndef MORVANE_SCHEDULE_DUE_TEST_H
#define MORVANE_SCHEDULE_DUE_TEST_H

#include "commands/command.h"
#include "schedule/calendar_date.h"

// Whether the schedule is due on the date, by recurrence: Daily always;
// Weekly when the bit of the day of week is set; Monthly on monthlyDay, or,
// for any other monthlyMode, on the (monthlyWeek + 1)th monthlyWeekday;
// Yearly on yearlyMonth/yearlyDay, or, for any other yearlyMode, on the
// (yearlyWeek + 1)th yearlyWeekday of yearlyWeekMonth; Once on its date; any
// other recurrence never. Week of month is (day - 1) / 7 + 1, so a stored
// week index of 4 means the fifth such weekday, found on days 29 to 31 only.
// Stored values outside their ranges simply never match.
bool isDueOnDate(const Command::Schedule& schedule, const CalendarDate& date);

// Whether the schedule's stored day values can name any day at all: a
// non-empty weekday set, a day of month 1 to 31, a week index 0 to 4, a
// weekday 0 to 6, a month 1 to 12, a yearly date that some year has, a real
// Once date, a known recurrence. The run time is not looked at.
bool hasValidSchedule(const Command::Schedule& schedule);

#endif
