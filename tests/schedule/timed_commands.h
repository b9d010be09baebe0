// Helpers of the scheduler tests: timed commands, moments, the device clock
// set for one test and put back after it, and the command file beside the
// test program.
#ifndef MORVANE_TESTS_SCHEDULE_TIMED_COMMANDS_H
#define MORVANE_TESTS_SCHEDULE_TIMED_COMMANDS_H

#include "commands/command.h"
#include "schedule/calendar_date.h"
#include "tests/support/test_support.h"

#include <windows.h>
#include <initializer_list>
#include <string>

namespace schedule_test {

constexpr wchar_t Launcher[] = L"\\windows\\mvlaunch.exe";

// An OnSchedule command that runs at a specific time.
Command timedCommand(const wchar_t* name, Recurrence recurrence, WORD hour, WORD minute);

using test::moment;

// A date holding that moment, its day of week from the calendar.
CalendarDate dateAt(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0);

// "2031-05-06 07:08:00 (2)": date, time and day of week, for failure output.
std::wstring describe(const SYSTEMTIME& t);

// The command file of this test program ("Data" beside it).
std::wstring commandFilePath();
void removeCommandFile();
void appendAll(std::initializer_list<Command> commands);

// The launcher's timed registration, when there is one.
bool launcherRegistration(SYSTEMTIME& when);
bool timedRegistrationOf(const std::wstring& program, SYSTEMTIME& when);

} // namespace schedule_test

#endif
