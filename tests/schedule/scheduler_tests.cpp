// The scheduler: next runs against hand-computed dates, the due test of the
// first-power-on run, and ScheduleNextRun end to end against the prefix's
// command file, notification registrations and settings key.
#include "commands/command_file.h"
#include "platform/notification_db.h"
#include "platform/notify.h"
#include "platform/text.h"
#include "schedule/due_test.h"
#include "schedule/scheduler.h"
#include "schedule/timed_claim.h"
#include "shell/app_state.h"
#include "shell/settings_store.h"
#include "tests/schedule/device_clock_guard.h"
#include "tests/schedule/timed_commands.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace schedule_test;

constexpr wchar_t SettingsKey[] = L"Software\\Quillon Software\\Morvane";

struct NextRunCase {
    const char* what;
    Command command;
    SYSTEMTIME now;
    SYSTEMTIME expected;
};

Command weekly(WORD mask, WORD hour, WORD minute)
{
    Command c = timedCommand(L"w", Recurrence::Weekly, hour, minute);
    c.schedule.weekdayMask = mask;
    return c;
}

Command monthlyByDay(WORD day, WORD hour, WORD minute)
{
    Command c = timedCommand(L"m", Recurrence::Monthly, hour, minute);
    c.schedule.monthlyMode = MonthlyMode::MonthlyByDay;
    c.schedule.monthlyDay = day;
    return c;
}

Command monthlyByWeekday(WORD week, WORD weekday, WORD hour, WORD minute)
{
    Command c = timedCommand(L"m", Recurrence::Monthly, hour, minute);
    c.schedule.monthlyMode = MonthlyMode::MonthlyByWeekday;
    c.schedule.monthlyWeek = week;
    c.schedule.monthlyWeekday = weekday;
    return c;
}

Command yearlyByDate(WORD month, WORD day, WORD hour, WORD minute)
{
    Command c = timedCommand(L"y", Recurrence::Yearly, hour, minute);
    c.schedule.yearlyMode = YearlyMode::YearlyByDate;
    c.schedule.yearlyMonth = month;
    c.schedule.yearlyDay = day;
    return c;
}

Command yearlyByWeekday(WORD week, WORD weekday, WORD month, WORD hour, WORD minute)
{
    Command c = timedCommand(L"y", Recurrence::Yearly, hour, minute);
    c.schedule.yearlyMode = YearlyMode::YearlyByWeekday;
    c.schedule.yearlyWeek = week;
    c.schedule.yearlyWeekday = weekday;
    c.schedule.yearlyWeekMonth = month;
    return c;
}

Command once(WORD year, WORD month, WORD day, WORD hour, WORD minute)
{
    Command c = timedCommand(L"o", Recurrence::Once, hour, minute);
    c.schedule.onceYear = year;
    c.schedule.onceMonth = month;
    c.schedule.onceDay = day;
    return c;
}

// Days of week: 2003-06-10 is a Tuesday, 2003-07-01 a Tuesday, 2003-08-01 a
// Friday, 2003-09-01 a Monday; 1 February is a Sunday in the leap years 2004,
// 2032, 2060, 2088 and 2128 (2100 is no leap year).
TEST(NextRun, HandComputedMoments)
{
    const std::vector<NextRunCase> cases = {
        {"daily before its minute", timedCommand(L"d", Recurrence::Daily, 8, 0), moment(2003, 6, 10, 7, 59),
         moment(2003, 6, 10, 8, 0)},
        {"daily at its minute", timedCommand(L"d", Recurrence::Daily, 8, 0), moment(2003, 6, 10, 8, 0),
         moment(2003, 6, 11, 8, 0)},
        {"daily on 31 December 23:59", timedCommand(L"d", Recurrence::Daily, 23, 59),
         moment(2003, 12, 31, 23, 59), moment(2004, 1, 1, 23, 59)},
        {"daily at midnight reaches 29 February", timedCommand(L"d", Recurrence::Daily, 0, 0),
         moment(2004, 2, 28, 0, 0), moment(2004, 2, 29, 0, 0)},
        {"weekly Mon+Thu on a Tuesday", weekly(0x12, 8, 0), moment(2003, 6, 10, 10, 0), moment(2003, 6, 12, 8, 0)},
        {"weekly Mon+Thu on Monday after", weekly(0x12, 8, 0), moment(2003, 6, 9, 9, 0), moment(2003, 6, 12, 8, 0)},
        {"weekly Mon+Thu on Thursday before", weekly(0x12, 8, 0), moment(2003, 6, 12, 7, 0),
         moment(2003, 6, 12, 8, 0)},
        {"weekly Tuesday alone, at its minute", weekly(0x04, 8, 0), moment(2003, 6, 10, 8, 0),
         moment(2003, 6, 17, 8, 0)},
        {"weekly with an empty mask gives the same weekday one week after the starting day", weekly(0, 8, 0),
         moment(2003, 6, 10, 7, 0), moment(2003, 6, 17, 8, 0)},
        {"weekly with an empty mask after its time starts tomorrow", weekly(0, 8, 0), moment(2003, 6, 10, 9, 0),
         moment(2003, 6, 18, 8, 0)},
        {"weekday bits above Saturday only are an empty mask", weekly(0xFF80, 8, 0), moment(2003, 6, 10, 9, 0),
         moment(2003, 6, 18, 8, 0)},
        {"unknown recurrence before its minute runs like daily", timedCommand(L"r", static_cast<Recurrence>(5), 8, 0),
         moment(2003, 6, 10, 7, 59), moment(2003, 6, 10, 8, 0)},
        {"unknown recurrence after its minute runs like daily",
         timedCommand(L"r", static_cast<Recurrence>(65535), 8, 0), moment(2003, 12, 31, 9, 0),
         moment(2004, 1, 1, 8, 0)},
        {"monthly 15th on the 10th", monthlyByDay(15, 8, 0), moment(2003, 6, 10, 9, 0), moment(2003, 6, 15, 8, 0)},
        {"monthly 15th on the 20th", monthlyByDay(15, 8, 0), moment(2003, 6, 20, 9, 0), moment(2003, 7, 15, 8, 0)},
        {"monthly 15th on the 15th after", monthlyByDay(15, 8, 0), moment(2003, 6, 15, 9, 0),
         moment(2003, 7, 15, 8, 0)},
        {"monthly 31st seen from April", monthlyByDay(31, 8, 0), moment(2003, 4, 10, 9, 0), moment(2003, 5, 31, 8, 0)},
        {"monthly 31st from 31 January after", monthlyByDay(31, 8, 0), moment(2003, 1, 31, 9, 0),
         moment(2003, 3, 31, 8, 0)},
        {"monthly 29th in a common February", monthlyByDay(29, 8, 0), moment(2003, 2, 1, 9, 0),
         moment(2003, 3, 29, 8, 0)},
        {"monthly 29th in a leap February", monthlyByDay(29, 8, 0), moment(2004, 2, 1, 9, 0),
         moment(2004, 2, 29, 8, 0)},
        {"monthly 30th over the year end", monthlyByDay(30, 8, 0), moment(2003, 12, 31, 9, 0),
         moment(2004, 1, 30, 8, 0)},
        {"2nd Tuesday on its day before", monthlyByWeekday(1, 2, 8, 0), moment(2003, 6, 10, 7, 0),
         moment(2003, 6, 10, 8, 0)},
        {"2nd Tuesday the day after", monthlyByWeekday(1, 2, 8, 0), moment(2003, 6, 11, 7, 0),
         moment(2003, 7, 8, 8, 0)},
        {"5th Friday skips months without one", monthlyByWeekday(4, 5, 8, 0), moment(2003, 6, 1, 9, 0),
         moment(2003, 8, 29, 8, 0)},
        {"yearly 5 March from June", yearlyByDate(3, 5, 10, 0), moment(2003, 6, 10, 9, 0), moment(2004, 3, 5, 10, 0)},
        {"yearly 5 March from 4 March", yearlyByDate(3, 5, 10, 0), moment(2003, 3, 4, 11, 0),
         moment(2003, 3, 5, 10, 0)},
        {"yearly 29 February from a common year", yearlyByDate(2, 29, 8, 0), moment(2025, 3, 1, 9, 0),
         moment(2028, 2, 29, 8, 0)},
        {"yearly 29 February on its day after", yearlyByDate(2, 29, 8, 0), moment(2024, 2, 29, 23, 0),
         moment(2028, 2, 29, 8, 0)},
        {"yearly 29 February over 2100", yearlyByDate(2, 29, 8, 0), moment(2096, 3, 1, 9, 0),
         moment(2104, 2, 29, 8, 0)},
        {"yearly 31 December at 23:59", yearlyByDate(12, 31, 23, 59), moment(2003, 12, 31, 23, 59),
         moment(2004, 12, 31, 23, 59)},
        {"1st Monday of September after this year's", yearlyByWeekday(0, 1, 9, 8, 0), moment(2003, 9, 2, 9, 0),
         moment(2004, 9, 6, 8, 0)},
        {"5th Sunday of February waits 40 years", yearlyByWeekday(4, 0, 2, 8, 0), moment(2088, 3, 1, 9, 0),
         moment(2128, 2, 29, 8, 0)},
        {"once ahead", once(2003, 7, 1, 8, 0), moment(2003, 6, 10, 9, 0), moment(2003, 7, 1, 8, 0)},
        {"once passed keeps its moment", once(2001, 1, 2, 8, 0), moment(2003, 6, 10, 9, 0),
         moment(2001, 1, 2, 8, 0)},
        {"once today after its time keeps it", once(2003, 6, 10, 8, 0), moment(2003, 6, 10, 9, 0),
         moment(2003, 6, 10, 8, 0)},
    };
    for (const NextRunCase& c : cases) {
        CalendarDate now = dateAt(c.now.wYear, c.now.wMonth, c.now.wDay, c.now.wHour, c.now.wMinute);
        CalendarDate next;
        ASSERT_TRUE(Scheduler::ComputeNextRun(c.command, next, now)) << c.what;
        SYSTEMTIME got;
        next.GetSystemTime(&got);
        SYSTEMTIME want = c.expected;
        want.wDayOfWeek = CalendarDate::CalcDayOfWeek(want.wYear, want.wMonth, want.wDay);
        EXPECT_EQ(describe(want), describe(got)) << c.what;
        EXPECT_EQ(0, got.wMilliseconds) << c.what;
    }
}

// Values the pages can leave behind (an unselected list stores 65535, a typed
// day is not checked) or a damaged file can hold: no next run, and never one
// of the calendar's message boxes.
TEST(NextRun, StoredValuesOutsideTheirRangesHaveNoNextRunAndShowNothing)
{
    instanceHandle = GetModuleHandleW(nullptr);
    Command hour24 = timedCommand(L"h", Recurrence::Daily, 24, 0);
    Command minute60 = timedCommand(L"m", Recurrence::Daily, 8, 60);
    const std::vector<std::pair<const char*, Command>> cases = {
        {"monthly day 0", monthlyByDay(0, 8, 0)},
        {"monthly day 32", monthlyByDay(32, 8, 0)},
        {"monthly day 65535", monthlyByDay(65535, 8, 0)},
        {"monthly week unselected", monthlyByWeekday(65535, 2, 8, 0)},
        {"monthly week index 5", monthlyByWeekday(5, 2, 8, 0)},
        {"monthly weekday unselected", monthlyByWeekday(1, 65535, 8, 0)},
        {"monthly weekday 7", monthlyByWeekday(1, 7, 8, 0)},
        {"yearly month 0", yearlyByDate(0, 5, 8, 0)},
        {"yearly month 13", yearlyByDate(13, 5, 8, 0)},
        {"yearly day 0", yearlyByDate(3, 0, 8, 0)},
        {"yearly 30 February", yearlyByDate(2, 30, 8, 0)},
        {"yearly 31 April", yearlyByDate(4, 31, 8, 0)},
        {"yearly week unselected", yearlyByWeekday(65535, 1, 9, 8, 0)},
        {"yearly weekday unselected", yearlyByWeekday(0, 65535, 9, 8, 0)},
        {"yearly weekday month unselected", yearlyByWeekday(0, 1, 65535, 8, 0)},
        {"once on 29 February of a common year", once(2003, 2, 29, 8, 0)},
        {"once on day 0", once(2003, 6, 0, 8, 0)},
        {"once in month 13", once(2003, 13, 1, 8, 0)},
        {"once in year 0", once(0, 6, 10, 8, 0)},
        {"hour 24", hour24},
        {"minute 60", minute60},
    };
    test::DialogDriver noMessageBoxes(3000);
    CalendarDate now = dateAt(2003, 6, 10, 9, 0);
    for (const auto& c : cases) {
        CalendarDate next;
        EXPECT_FALSE(Scheduler::ComputeNextRun(c.second, next, now)) << c.first;
    }
    // A message box would have blocked its call until the watchdog ended it.
    EXPECT_FALSE(noMessageBoxes.timedOut());
}

// An unknown monthly or yearly mode is the weekday variant, as the file
// reader and the first-power-on run read it.
TEST(NextRun, UnknownModesAreTheWeekdayVariants)
{
    Command monthly = monthlyByWeekday(1, 2, 8, 0);
    monthly.schedule.monthlyMode = static_cast<MonthlyMode>(0);
    Command yearly = yearlyByWeekday(0, 1, 9, 8, 0);
    yearly.schedule.yearlyMode = static_cast<YearlyMode>(1084);
    CalendarDate next;
    ASSERT_TRUE(Scheduler::ComputeNextRun(monthly, next, dateAt(2003, 6, 11, 7, 0)));
    EXPECT_TRUE(next.IsSameDate(moment(2003, 7, 8)));
    ASSERT_TRUE(Scheduler::ComputeNextRun(yearly, next, dateAt(2003, 9, 2, 9, 0)));
    EXPECT_TRUE(next.IsSameDate(moment(2004, 9, 6)));
}

TEST(DueTest, ByRecurrenceOnHandComputedDates)
{
    struct DueCase {
        const char* what;
        Command command;
        SYSTEMTIME date;
        bool due;
    };
    Command unknownMonthlyMode = monthlyByWeekday(1, 2, 8, 0);
    unknownMonthlyMode.schedule.monthlyMode = static_cast<MonthlyMode>(0);
    Command unknownRecurrence = timedCommand(L"r", static_cast<Recurrence>(7), 8, 0);
    const std::vector<DueCase> cases = {
        {"daily", timedCommand(L"d", Recurrence::Daily, 8, 0), moment(2003, 6, 10), true},
        {"weekly Saturday on a Saturday", weekly(64, 8, 0), moment(2003, 6, 14), true},
        {"weekly Saturday on a Sunday", weekly(64, 8, 0), moment(2003, 6, 15), false},
        {"weekly empty set", weekly(0, 8, 0), moment(2003, 6, 14), false},
        {"monthly 10th", monthlyByDay(10, 8, 0), moment(2003, 6, 10), true},
        {"monthly 31st on the 30th of June", monthlyByDay(31, 8, 0), moment(2003, 6, 30), false},
        {"2nd Tuesday", monthlyByWeekday(1, 2, 8, 0), moment(2003, 6, 10), true},
        {"2nd Tuesday on the 1st Tuesday", monthlyByWeekday(1, 2, 8, 0), moment(2003, 6, 3), false},
        {"week index 4 on a 5th Friday", monthlyByWeekday(4, 5, 8, 0), moment(2003, 8, 29), true},
        {"week index 4 on a 4th Friday", monthlyByWeekday(4, 5, 8, 0), moment(2003, 8, 22), false},
        {"unselected week never wraps to 0", monthlyByWeekday(65535, 2, 8, 0), moment(2003, 6, 3), false},
        {"unknown monthly mode by weekday", unknownMonthlyMode, moment(2003, 6, 10), true},
        {"yearly 5 March", yearlyByDate(3, 5, 8, 0), moment(2004, 3, 5), true},
        {"yearly 5 March on 5 April", yearlyByDate(3, 5, 8, 0), moment(2004, 4, 5), false},
        {"1st Monday of September", yearlyByWeekday(0, 1, 9, 8, 0), moment(2004, 9, 6), true},
        {"1st Monday of September in October", yearlyByWeekday(0, 1, 9, 8, 0), moment(2004, 10, 4), false},
        {"once on its date", once(2003, 7, 1, 8, 0), moment(2003, 7, 1), true},
        {"once a year later", once(2003, 7, 1, 8, 0), moment(2004, 7, 1), false},
        {"unknown recurrence", unknownRecurrence, moment(2003, 6, 10), false},
    };
    for (const DueCase& c : cases) {
        CalendarDate date = dateAt(c.date.wYear, c.date.wMonth, c.date.wDay);
        EXPECT_EQ(c.due, isDueOnDate(c.command.schedule, date)) << c.what;
    }
}

// ScheduleNextRun in the test prefix: the device clock stands on Tuesday
// 2031-05-06 07:08, the command file is the one beside this program.
class ScheduleNextRun : public testing::Test {
protected:
    void SetUp() override
    {
        instanceHandle = GetModuleHandleW(nullptr);
        ASSERT_TRUE(clock_.ok());
        removeCommandFile();
        test::deleteMachineKey(SettingsKey);
        test::deleteMachineKey(notification_db::RegistrationsKey);
    }

    void TearDown() override
    {
        removeCommandFile();
        test::deleteMachineKey(SettingsKey);
        test::deleteMachineKey(notification_db::RegistrationsKey);
    }

    static std::wstring nextScheduled()
    {
        SettingsStore settings;
        HeapText names;
        settings.getString(L"NextScheduled", names);
        return names.c_str();
    }

    static DWORD storedBytes(const wchar_t* name)
    {
        DWORD bytes = 0;
        RegGetValueW(HKEY_LOCAL_MACHINE, SettingsKey, name, RRF_RT_REG_SZ, nullptr, nullptr, &bytes);
        return bytes;
    }

    // A registered moment as it should read, day of week included.
    static std::wstring registeredAt(WORD year, WORD month, WORD day, WORD hour, WORD minute)
    {
        SYSTEMTIME t = moment(year, month, day, hour, minute);
        t.wDayOfWeek = CalendarDate::CalcDayOfWeek(year, month, day);
        return describe(t);
    }

    static std::wstring mainProgramPath()
    {
        std::wstring path = test::thisExe();
        return path.substr(0, path.rfind(L'\\') + 1) + L"morvane.exe";
    }

    test::DeviceClockGuard clock_{moment(2031, 5, 6, 7, 8)};
};

TEST_F(ScheduleNextRun, RegistersTheLauncherAtTheEarliestMomentWithItsNamesInFileOrder)
{
    Command atFirstPowerOn = timedCommand(L"FirstPowerOn", Recurrence::Daily, 7, 30);
    atFirstPowerOn.schedule.timeMode = TimeMode::AtFirstPowerOn;
    Command afterPowerOn = timedCommand(L"AfterPowerOn", Recurrence::Daily, 7, 30);
    afterPowerOn.triggerKind = TriggerKind::AfterPowerOn;
    Command tuesdays = weekly(0x04, 9, 30);
    copyText(tuesdays.commandName, L"Tuesdays");
    Command sixth = monthlyByDay(6, 9, 30);
    copyText(sixth.commandName, L"Sixth");
    Command onceToday = once(2031, 5, 6, 9, 30);
    copyText(onceToday.commandName, L"OnceToday");
    appendAll({timedCommand(L"Nightly", Recurrence::Daily, 22, 0), atFirstPowerOn, afterPowerOn, tuesdays,
               timedCommand(L"Later", Recurrence::Daily, 9, 31), sixth, onceToday});

    SYSTEMTIME stale = moment(2031, 5, 6, 8, 0);
    CeRunAppAtTime(mainProgramPath().c_str(), &stale);

    Scheduler().ScheduleNextRun();

    SYSTEMTIME when;
    ASSERT_TRUE(launcherRegistration(when));
    EXPECT_EQ(registeredAt(2031, 5, 6, 9, 30), describe(when));
    EXPECT_EQ(2, when.wDayOfWeek);
    EXPECT_EQ(L"Tuesdays;Sixth;OnceToday", nextScheduled());
    EXPECT_FALSE(timedRegistrationOf(mainProgramPath(), when)) << "the program's own timed start stays";
}

TEST_F(ScheduleNextRun, TwoCommandsAtOneMomentKeepTheExactStoredForm)
{
    appendAll({timedCommand(L"Backup", Recurrence::Daily, 22, 0), timedCommand(L"Sync", Recurrence::Daily, 22, 0)});
    Scheduler().ScheduleNextRun();
    SYSTEMTIME when;
    ASSERT_TRUE(launcherRegistration(when));
    EXPECT_EQ(registeredAt(2031, 5, 6, 22, 0), describe(when));
    EXPECT_EQ(L"Backup;Sync", nextScheduled());
    EXPECT_EQ(260u, storedBytes(L"NextScheduled"));
}

TEST_F(ScheduleNextRun, ListBeyondTheFixedSizeIsStoredWhole)
{
    std::wstring expected;
    CommandFile file;
    for (int i = 0; i < 12; ++i) {
        wchar_t name[64];
        swprintf(name, std::size(name), L"Backup of the photo folder %02d", i);
        ASSERT_TRUE(file.appendCommand(timedCommand(name, Recurrence::Daily, 21, 0)));
        if (!expected.empty()) expected += L';';
        expected += name;
    }
    ASSERT_GT(expected.size(), 129u);

    Scheduler().ScheduleNextRun();

    EXPECT_EQ(expected, nextScheduled());
    EXPECT_EQ((expected.size() + 1) * sizeof(wchar_t), storedBytes(L"NextScheduled"));
    SYSTEMTIME when;
    EXPECT_TRUE(launcherRegistration(when));
}

TEST_F(ScheduleNextRun, WithoutTimedCommandsNothingIsRegisteredAndTheNamesStay)
{
    {
        SettingsStore settings;
        settings.setString(L"NextScheduled", L"Earlier;Names");
    }
    SYSTEMTIME stale = moment(2031, 5, 6, 8, 0);
    CeRunAppAtTime(Launcher, &stale);

    // A missing command file, then one without any timed command.
    Scheduler().ScheduleNextRun();
    SYSTEMTIME when;
    EXPECT_FALSE(launcherRegistration(when));

    Command atFirstPowerOn = timedCommand(L"FirstPowerOn", Recurrence::Daily, 9, 0);
    atFirstPowerOn.schedule.timeMode = TimeMode::AtFirstPowerOn;
    Command afterReset = timedCommand(L"AfterReset", Recurrence::Daily, 9, 0);
    afterReset.triggerKind = TriggerKind::AfterReset;
    appendAll({atFirstPowerOn, afterReset, monthlyByDay(0, 9, 0)});
    CeRunAppAtTime(Launcher, &stale);
    Scheduler().ScheduleNextRun();

    EXPECT_FALSE(launcherRegistration(when));
    EXPECT_EQ(L"Earlier;Names", nextScheduled());
}

// A passed Once is registered at its own moment, and the moment stored with
// its name. Once a timed run claimed that moment, it is never claimed again,
// and the Once is passed over while it is still stored (its delete failed);
// another Once at that moment is not the one that ran.
TEST_F(ScheduleNextRun, PassedOnceIsRegisteredAtItsOwnMomentUntilItsRunIsClaimed)
{
    Command passed = once(2030, 1, 2, 8, 0);
    copyText(passed.commandName, L"Missed");
    appendAll({timedCommand(L"Daily", Recurrence::Daily, 7, 30), passed});
    Scheduler().ScheduleNextRun();
    SYSTEMTIME when;
    ASSERT_TRUE(launcherRegistration(when));
    EXPECT_EQ(registeredAt(2030, 1, 2, 8, 0), describe(when));
    EXPECT_EQ(L"Missed", nextScheduled());

    SettingsStore settings;
    wchar_t moment[StoredStringChars];
    ASSERT_TRUE(settings.getString(L"NextScheduledTime", moment));
    EXPECT_STREQ(L"2030-01-02 08:00", moment);
    HeapText names;
    ASSERT_TRUE(claimTimedRun(settings, names, moment));
    EXPECT_STREQ(L"Missed", names.c_str());
    EXPECT_STREQ(L"2030-01-02 08:00", moment);
    EXPECT_FALSE(claimTimedRun(settings, names, moment));

    Scheduler().ScheduleNextRun();
    ASSERT_TRUE(launcherRegistration(when));
    EXPECT_EQ(registeredAt(2031, 5, 6, 7, 30), describe(when));
    EXPECT_EQ(L"Daily", nextScheduled());

    Command another = once(2030, 1, 2, 8, 0);
    copyText(another.commandName, L"Another");
    appendAll({another});
    Scheduler().ScheduleNextRun();
    ASSERT_TRUE(launcherRegistration(when));
    EXPECT_EQ(registeredAt(2030, 1, 2, 8, 0), describe(when));
    EXPECT_EQ(L"Another", nextScheduled());
}

// Bad stored values lose nothing: the good commands are registered, the bad
// ones are left out without a message, and the file stays as it was.
TEST_F(ScheduleNextRun, CommandsWithBadStoredValuesAreLeftOutQuietly)
{
    Command badWeek = monthlyByWeekday(65535, 65535, 8, 0);
    copyText(badWeek.commandName, L"BadWeek");
    Command badYear = yearlyByWeekday(7, 9, 0, 8, 0);
    copyText(badYear.commandName, L"BadYear");
    Command badDay = monthlyByDay(0, 8, 0);
    copyText(badDay.commandName, L"BadDay");
    Command badOnce = once(2031, 2, 29, 8, 0);
    copyText(badOnce.commandName, L"BadOnce");
    // Minute 64 of 9 o'clock is no time, though it would sort as 10:00.
    Command badOnceMinute = once(2031, 5, 6, 9, 64);
    copyText(badOnceMinute.commandName, L"BadOnceMinute");
    appendAll({badWeek, badYear, timedCommand(L"Good", Recurrence::Daily, 10, 0), badDay, badOnce,
               timedCommand(L"BadHour", Recurrence::Daily, 25, 0), timedCommand(L"BadMinute", Recurrence::Daily, 9, 64),
               badOnceMinute});
    const std::string before = test::readFileBytes(commandFilePath());

    test::DialogDriver noMessageBoxes(3000);
    Scheduler().ScheduleNextRun();
    EXPECT_FALSE(noMessageBoxes.timedOut());

    SYSTEMTIME when;
    ASSERT_TRUE(launcherRegistration(when));
    EXPECT_EQ(registeredAt(2031, 5, 6, 10, 0), describe(when));
    EXPECT_EQ(L"Good", nextScheduled());
    EXPECT_EQ(before, test::readFileBytes(commandFilePath()));
}

// What is in force already is left alone, so the service is not woken; what
// is missing, stale or overwritten since is put back.
TEST_F(ScheduleNextRun, LeavesWhatIsInForceUntouchedAndRestoresTheRest)
{
    appendAll({timedCommand(L"Nightly", Recurrence::Daily, 22, 0)});
    // The same auto-reset event the notification calls signal.
    ScopedHandle changed(CreateEventW(nullptr, FALSE, FALSE, notification_db::ChangedEventName));
    ASSERT_TRUE(changed);
    auto serviceWoken = [&] { return WaitForSingleObject(changed.get(), 0) == WAIT_OBJECT_0; };
    auto registered = [] {
        SYSTEMTIME when;
        return launcherRegistration(when) ? describe(when) : std::wstring(L"none");
    };
    const std::wstring nightly = registeredAt(2031, 5, 6, 22, 0);

    Scheduler().ScheduleNextRun();
    ASSERT_EQ(nightly, registered());
    serviceWoken();   // what the first registration signalled

    Scheduler().ScheduleNextRun();
    EXPECT_FALSE(serviceWoken()) << "an unchanged registration was written again";
    EXPECT_EQ(nightly, registered());

    // Fired and removed by the service, then replaced by a stale moment.
    notification_db::removeTimedRegistration(Launcher);
    serviceWoken();
    Scheduler().ScheduleNextRun();
    EXPECT_TRUE(serviceWoken());
    EXPECT_EQ(nightly, registered());
    SYSTEMTIME stale = moment(2031, 5, 6, 21, 0);
    CeRunAppAtTime(Launcher, &stale);
    serviceWoken();
    Scheduler().ScheduleNextRun();
    EXPECT_TRUE(serviceWoken());
    EXPECT_EQ(nightly, registered());

    // Names overwritten meanwhile are written again; the moment stays untouched.
    {
        SettingsStore settings;
        settings.setString(L"NextScheduled", L"Other");
    }
    Scheduler().ScheduleNextRun();
    EXPECT_EQ(L"Nightly", nextScheduled());
    EXPECT_EQ(260u, storedBytes(L"NextScheduled"));
    EXPECT_FALSE(serviceWoken());
}

// The registration operations the resident instance makes and removes.
TEST(Registrations, WakeupShortcutAndTimedStartsOfTheLauncher)
{
    instanceHandle = GetModuleHandleW(nullptr);
    test::deleteMachineKey(notification_db::RegistrationsKey);
    CreateDirectoryW(L"C:\\windows\\StartUp", nullptr);
    Scheduler scheduler;

    scheduler.RegisterWakeupEvent();
    auto events = notification_db::eventRegistrations();
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ(0, _wcsicmp(events[0].program.c_str(), Launcher));
    EXPECT_EQ(NOTIFICATION_EVENT_WAKEUP, events[0].event);
    scheduler.ClearEventRegistrations();
    EXPECT_TRUE(notification_db::eventRegistrations().empty());

    // Created twice: the second replaces the first.
    scheduler.CreateStartupShortcut();
    scheduler.CreateStartupShortcut();
    const std::string target = "\"\\windows\\mvlaunch.exe\" -reset";
    EXPECT_EQ(std::to_string(target.size()) + "#" + target,
              test::readFileBytes(L"C:\\Windows\\StartUp\\Morvane.lnk"));
    scheduler.DeleteStartupShortcut();
    EXPECT_FALSE(test::fileExists(L"C:\\Windows\\StartUp\\Morvane.lnk"));

    SYSTEMTIME at = moment(2031, 5, 6, 8, 0);
    CeRunAppAtTime(Launcher, &at);
    std::wstring self = test::thisExe();
    CeRunAppAtTime((self.substr(0, self.rfind(L'\\') + 1) + L"morvane.exe").c_str(), &at);
    ASSERT_EQ(2u, notification_db::timedRegistrations().size());
    scheduler.ClearTimedRegistrations();
    EXPECT_TRUE(notification_db::timedRegistrations().empty());
    test::deleteMachineKey(notification_db::RegistrationsKey);
}

} // namespace
