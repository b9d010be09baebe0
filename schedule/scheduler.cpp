#include "schedule/scheduler.h"
#include "commands/command_file.h"
#include "platform/aygshell.h"
#include "platform/device.h"
#include "platform/device_clock.h"
#include "platform/notify.h"
#include "platform/text.h"
#include "schedule/due_test.h"
#include "schedule/timed_claim.h"
#include "shell/settings_store.h"

#include <cstdio>

namespace {

constexpr wchar_t LauncherName[] = L"mvlaunch.exe";
constexpr wchar_t MainProgramName[] = L"morvane.exe";
constexpr wchar_t ShortcutPath[] = L"\\Windows\\StartUp\\Morvane.lnk";
// The same file as ShortcutPath: the device's file names ignore letter case.
constexpr wchar_t ShortcutDeletePath[] = L"\\Windows\\Startup\\Morvane.lnk";

void launcherPath(wchar_t (&path)[PathCapacity])
{
    swprintf(path, std::size(path), L"\\windows\\%ls", LauncherName);
}

// How far the searches below look ahead. A day of month 29 to 31 is missing
// from at most two months in a row; every weekday has a fifth occurrence in
// at least four of any twelve months; 29 February comes back within eight
// years; and the calendar, days of week included, repeats every 400 years.
constexpr int MonthsToSearch = 13;
constexpr int LeapYearsToSearch = 9;
constexpr int YearsToSearch = 400;

void setDate(CalendarDate& date, WORD year, WORD month, WORD day)
{
    date.time.wYear = year;
    date.time.wMonth = month;
    date.SetDay(day);   // and the day of week with it
}

// Day 1 of the month after date's.
void toNextMonth(CalendarDate& date)
{
    date.time.wDay = 1;
    date.AddMonth();
}

// The day of the nth (index 0 = first, 4 = fifth) weekday of the month, or 0
// when the month has no such day. The arguments are checked before the
// calendar sees them, so its message boxes never appear. The calendar counts
// weeks 1 to 4 only, so the fifth is found four weeks after the first.
int nthWeekday(const CalendarDate& calendar, WORD weekIndex, WORD dayOfWeek, WORD month, WORD year)
{
    if (weekIndex > 4 || dayOfWeek > 6 || month < 1 || month > 12) return 0;
    int day = calendar.CalcDayFromWeekNumber(1, dayOfWeek, month, year) + 7 * weekIndex;
    // The calendar allows 29 February in every year.
    return day <= calendar.LengthOfMonth(month, year) ? day : 0;
}

// Each search starts from date, the first day the run may fall on, and
// leaves date on the first due day from there.
// A set without any of the seven weekdays stops after a whole week, on the
// starting day's weekday: the command still runs, once a week.
void findWeekly(const Command::Schedule& schedule, CalendarDate& date)
{
    for (int step = 0; step < 7; ++step) {
        if ((schedule.weekdayMask >> date.GetDayOfWeek()) & 1) return;
        date.AddDay();
    }
}

// A month that lacks the day (31 in April, 29 February in a common year) is
// skipped, as the first-power-on run skips it.
bool findMonthlyByDay(const Command::Schedule& schedule, CalendarDate& date)
{
    for (int step = 0; step < MonthsToSearch; ++step) {
        if (schedule.monthlyDay >= date.GetDay() &&
            schedule.monthlyDay <= date.LengthOfMonth(date.GetMonth(), date.GetYear())) {
            date.SetDay(schedule.monthlyDay);
            return true;
        }
        toNextMonth(date);
    }
    return false;
}

// A fifth weekday (index 4) is missing from many months; they are skipped.
bool findMonthlyByWeekday(const Command::Schedule& schedule, CalendarDate& date)
{
    for (int step = 0; step < MonthsToSearch; ++step) {
        int day = nthWeekday(date, schedule.monthlyWeek, schedule.monthlyWeekday, date.GetMonth(),
                             date.GetYear());
        if (day != 0 && day >= date.GetDay()) {
            date.SetDay(static_cast<WORD>(day));
            return true;
        }
        toNextMonth(date);
    }
    return false;
}

bool onOrAfter(const CalendarDate& start, WORD year, WORD month, int day)
{
    if (year != start.GetYear()) return year > start.GetYear();
    if (month != start.GetMonth()) return month > start.GetMonth();
    return day >= start.GetDay();
}

// 29 February waits for the next leap year.
bool findYearlyByDate(const Command::Schedule& schedule, CalendarDate& date)
{
    WORD year = date.GetYear();
    if (!onOrAfter(date, year, schedule.yearlyMonth, schedule.yearlyDay)) ++year;
    for (int step = 0; step < LeapYearsToSearch; ++step, ++year) {
        if (schedule.yearlyDay <= date.LengthOfMonth(schedule.yearlyMonth, year)) {
            setDate(date, year, schedule.yearlyMonth, schedule.yearlyDay);
            return true;
        }
    }
    return false;
}

bool findYearlyByWeekday(const Command::Schedule& schedule, CalendarDate& date)
{
    WORD year = date.GetYear();
    for (int step = 0; step < YearsToSearch; ++step, ++year) {
        int day = nthWeekday(date, schedule.yearlyWeek, schedule.yearlyWeekday, schedule.yearlyWeekMonth, year);
        if (day != 0 && onOrAfter(date, year, schedule.yearlyWeekMonth, day)) {
            setDate(date, year, schedule.yearlyWeekMonth, static_cast<WORD>(day));
            return true;
        }
    }
    return false;
}

// Orders valid moments as their FILETIMEs would, without the conversion: the
// walk over the command file compares one per timed command.
ULONGLONG momentKey(const SYSTEMTIME& t)
{
    return ((((static_cast<ULONGLONG>(t.wYear) * 16 + t.wMonth) * 32 + t.wDay) * 32 + t.wHour) * 64 + t.wMinute) * 64 +
           t.wSecond;
}

// The moment key of runTime on now's date, or on the next day's when that
// minute has passed: the earliest any next run of a recurring command can be.
ULONGLONG firstPossibleRun(const SYSTEMTIME& runTime, const CalendarDate& now, const CalendarDate& tomorrow)
{
    const bool passed = runTime.wHour * 60 + runTime.wMinute <= now.GetHour() * 60 + now.GetMinute();
    const SYSTEMTIME& day = passed ? tomorrow.time : now.time;
    SYSTEMTIME bound = day;
    bound.wHour = runTime.wHour;
    bound.wMinute = runTime.wMinute;
    bound.wSecond = 0;
    return momentKey(bound);
}

// The moment key of a Once command's date and time, as ComputeNextRun finds
// it when the schedule is valid.
ULONGLONG onceMoment(const Command::Schedule& schedule)
{
    SYSTEMTIME moment{};
    moment.wYear = schedule.onceYear;
    moment.wMonth = schedule.onceMonth;
    moment.wDay = schedule.onceDay;
    moment.wHour = schedule.runTime.wHour;
    moment.wMinute = schedule.runTime.wMinute;
    return momentKey(moment);
}

bool sameMoment(const SYSTEMTIME& a, const SYSTEMTIME& b)
{
    return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay && a.wHour == b.wHour &&
           a.wMinute == b.wMinute && a.wSecond == b.wSecond;
}

// A null time cancels the program's timed start, if it has one.
void cancelTimedStart(const wchar_t* program)
{
    CeRunAppAtTime(program, nullptr);
}

} // namespace

Scheduler::Scheduler()
{
    installFolder[0] = L'\0';
    wchar_t module[PathCapacity] = L"";
    GetModuleFileNameW(nullptr, module, static_cast<DWORD>(std::size(module)));
    module[std::size(module) - 1] = L'\0';   // a path cut at the capacity may lack its terminator
    if (wchar_t* lastSlash = wcsrchr(module, L'\\')) lastSlash[1] = L'\0';
    copyText(installFolder, module);
}

Scheduler::~Scheduler() = default;

void Scheduler::RegisterWakeupEvent()
{
    wchar_t launcher[PathCapacity];
    launcherPath(launcher);
    CeRunAppAtEvent(launcher, NOTIFICATION_EVENT_WAKEUP);
}

void Scheduler::ClearEventRegistrations()
{
    wchar_t launcher[PathCapacity];
    launcherPath(launcher);
    CeRunAppAtEvent(launcher, NOTIFICATION_EVENT_NONE);
}

void Scheduler::CreateStartupShortcut()
{
    DeleteStartupShortcut();
    wchar_t target[PathCapacity];
    swprintf(target, std::size(target), L"\"\\windows\\%ls\" %ls", LauncherName, L"-reset");
    SHCreateShortcut(ShortcutPath, target);
}

void Scheduler::DeleteStartupShortcut()
{
    ce::DeleteFileW(ShortcutDeletePath);
}

void Scheduler::mainProgramPath(wchar_t (&path)[PathCapacity]) const
{
    copyText(path, installFolder);
    appendText(path, MainProgramName);
}

void Scheduler::ClearTimedRegistrations()
{
    wchar_t mainProgram[PathCapacity];
    mainProgramPath(mainProgram);
    cancelTimedStart(mainProgram);

    wchar_t launcher[PathCapacity];
    launcherPath(launcher);
    cancelTimedStart(launcher);
}

void Scheduler::ScheduleNextRun()
{
    // The old timed registration stays in force while the file is walked and
    // is then replaced, or cleared when nothing is timed any more: the same
    // end as clearing it first, without a moment in which nothing is
    // registered, and with fewer trips to the notification services.
    // One reading of the clock for every command, so that all of them are
    // measured from the same minute.
    CalendarDate now;
    CalendarDate candidate;
    CalendarDate earliest;
    ULONGLONG earliestKey = 0;
    bool found = false;
    // The names due at one moment are kept whole, however many there are:
    // a command left out here would silently never run.
    HeapText names;
    bool namesWhole = true;

    CalendarDate tomorrow;
    tomorrow.Assign(now);
    tomorrow.AddDay();

    SettingsStore settings;
    const LastTimedRun lastRun(settings);
    CommandFile commandFile;
    Command command;
    for (DWORD index = 0; commandFile.readNextCommand(index, command); ++index) {
        if (command.triggerKind != TriggerKind::OnSchedule ||
            command.schedule.timeMode != TimeMode::AtSpecificTime)
            continue;
        // No run comes before the command's time of day on the day the
        // search starts from, so a command whose bound lies after the
        // earliest run found so far cannot change it. A Once command's
        // bound is its moment itself, past or not; one that ran at that
        // moment, and is still stored, has no next run.
        const Command::Schedule& schedule = command.schedule;
        const bool once = schedule.recurrence == Recurrence::Once;
        if (once && lastRun.ranOnce(command)) continue;
        const ULONGLONG bound = once ? onceMoment(schedule) : firstPossibleRun(schedule.runTime, now, tomorrow);
        if (found && bound > earliestKey) continue;
        // A Daily or Once command due at the moment found already runs then:
        // its bound is its next run. Only its name is needed.
        if (found && bound == earliestKey && (once || schedule.recurrence == Recurrence::Daily) &&
            schedule.runTime.wHour <= 23 && schedule.runTime.wMinute <= 59 && hasValidSchedule(schedule)) {
            namesWhole = namesWhole && names.append(L";") && names.append(command.commandName);
            continue;
        }
        if (!ComputeNextRun(command, candidate, now)) continue;
        const ULONGLONG key = momentKey(candidate.time);
        if (!found || key < earliestKey) {
            earliest.Assign(candidate);
            earliestKey = key;
            namesWhole = names.assign(command.commandName);
            found = true;
        } else if (key == earliestKey) {
            namesWhole = namesWhole && names.append(L";") && names.append(command.commandName);
        }
    }
    if (!found) {
        ClearTimedRegistrations();
        return;
    }
    // Out of memory for the list: what is in force stays rather than a list
    // that leaves some of the commands out.
    if (!namesWhole) return;

    SYSTEMTIME when;
    earliest.GetSystemTime(&when);
    wchar_t launcher[PathCapacity];
    launcherPath(launcher);
    wchar_t mainProgram[PathCapacity];
    mainProgramPath(mainProgram);

    // Only the launcher is ever registered; a start of the program itself
    // left by anything else is cancelled.
    cancelTimedStart(mainProgram);

    // What is in force already is left untouched: the names as they are
    // stored now and the moment as the notification services hold it now.
    // Most calls (a start, an edit of a command that is not next, the main
    // dialog closing) change neither, and the service then has no reason to
    // wake.
    // The names and their moment go first: a moment already past (a missed
    // Once) may start the launcher as soon as it is registered, and the
    // timed run it starts must read these names, not the previous ones.
    storeNextTimedRun(settings, when, names);
    SYSTEMTIME registered;
    if (GetRunAppAtTime(launcher, &registered) && sameMoment(registered, when)) return;
    CeRunAppAtTime(launcher, &when);
}

bool Scheduler::ComputeNextRun(const Command& command, CalendarDate& date)
{
    CalendarDate now;
    return ComputeNextRun(command, date, now);
}

bool Scheduler::ComputeNextRun(const Command& command, CalendarDate& date, const CalendarDate& now)
{
    const Command::Schedule& schedule = command.schedule;
    const WORD hour = schedule.runTime.wHour;
    const WORD minute = schedule.runTime.wMinute;
    if (hour > 23 || minute > 59 || !hasValidSchedule(schedule)) return false;

    date.Assign(now);
    date.SetDay(date.GetDay());   // the day of week from the date, whatever now held
    // A run time equal to the present minute counts as passed.
    if (hour * 60 + minute <= now.GetHour() * 60 + now.GetMinute()) date.AddDay();
    date.SetHour(hour);
    date.SetMinute(minute);
    date.SetSecond(0);
    date.time.wMilliseconds = 0;

    bool found = true;
    switch (schedule.recurrence) {
    case Recurrence::Daily:
        break;
    case Recurrence::Weekly:
        findWeekly(schedule, date);
        break;
    case Recurrence::Monthly:
        found = schedule.monthlyMode == MonthlyMode::MonthlyByDay ? findMonthlyByDay(schedule, date)
                                                                  : findMonthlyByWeekday(schedule, date);
        break;
    case Recurrence::Yearly:
        found = schedule.yearlyMode == YearlyMode::YearlyByDate ? findYearlyByDate(schedule, date)
                                                                : findYearlyByWeekday(schedule, date);
        break;
    case Recurrence::Once:
        // Also when the moment has passed: a missed Once still runs, as soon
        // as it is registered.
        setDate(date, schedule.onceYear, schedule.onceMonth, schedule.onceDay);
        break;
    default:
        // A recurrence the pages never store runs every day, as Daily does.
        break;
    }
    // The searches end inside the calendar the device can register.
    return found && device_clock::isValid(date.time);
}
