// Which days a schedule names. The first-power-on run asks it of today; the
// next-run computation is built to find exactly the first such day, so both
// paths agree on what "due" means, with two exceptions: a weekly set naming
// no weekday and an unknown recurrence are never due at first power-on but
// have a timed next run (a week after the starting day, and daily).
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

// Whether the next-run computation can find a day for the schedule's stored
// values: a day of month 1 to 31, a week index 0 to 4, a weekday 0 to 6, a
// month 1 to 12, a yearly date that some year has, a real Once date. Any
// weekday set will do (one naming no weekday runs a week after the starting
// day) and so will an unknown recurrence (it runs daily), although the due
// test above never finds either due. The run time is not looked at.
bool hasValidSchedule(const Command::Schedule& schedule);

#endif
