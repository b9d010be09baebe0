// A new Command: its fixed defaults, and the date defaults taken from the
// device clock on days chosen by hand.
#include <gtest/gtest.h>

#include "commands/command.h"
#include "platform/device.h"
#include "tests/schedule/device_clock_guard.h"

namespace {

struct Today {
    WORD year, month, day;
    WORD weekdayMask;   // the bit of the day of week, by hand
    WORD dayOfWeek;
    WORD weekIndex;     // week of month - 1
};

} // namespace

TEST(CommandDefaults, FixedFields)
{
    Command command;
    EXPECT_EQ(command.actionKind, ActionKind::LaunchProgram);
    EXPECT_EQ(command.triggerKind, TriggerKind::AfterPowerOn);
    EXPECT_STREQ(command.commandName, L"");
    EXPECT_EQ(command.action.cleanupOptions, 63);
    EXPECT_STREQ(command.action.folderPath, L"");
    EXPECT_EQ(command.action.includeSubfolders, 1);
    EXPECT_STREQ(command.action.programPath, L"");
    EXPECT_STREQ(command.action.programArguments, L"");
    EXPECT_STREQ(command.action.messageText, L"");
    EXPECT_STREQ(command.action.soundName, L"");
    EXPECT_EQ(command.action.soundRepeatCount, 1);
    EXPECT_EQ(command.schedule.recurrence, Recurrence::Daily);
    EXPECT_EQ(command.schedule.timeMode, TimeMode::AtFirstPowerOn);
    EXPECT_EQ(command.schedule.monthlyMode, MonthlyMode::MonthlyByDay);
    EXPECT_EQ(command.schedule.yearlyMode, YearlyMode::YearlyByDate);
}

// A Saturday, a Sunday, and the 29th to 31st, whose week index 4 is one
// beyond the four ordinals the wizard offers.
TEST(CommandDefaults, DateFieldsDescribeToday)
{
    const Today days[] = {
        {2003, 5, 24, 64, 6, 3},   // the 4th Saturday of May 2003
        {2003, 6, 1, 1, 0, 0},     // a Sunday, first of its kind
        {2004, 1, 29, 16, 4, 4},   // Thursday
        {2004, 3, 30, 4, 2, 4},    // Tuesday
        {2003, 12, 31, 8, 3, 4},   // Wednesday
        {2004, 2, 8, 1, 0, 1},     // the 2nd Sunday
    };
    test::DeviceClockGuard clock;
    for (const Today& today : days) {
        SCOPED_TRACE(testing::Message() << today.year << "-" << today.month << "-" << today.day);
        clock.set(today.year, today.month, today.day, 14, 35, 30);
        SYSTEMTIME before, after;
        ce::GetLocalTime(&before);
        Command command;
        ce::GetLocalTime(&after);
        const Command::Schedule& s = command.schedule;
        EXPECT_EQ(s.weekdayMask, today.weekdayMask);
        EXPECT_EQ(s.monthlyDay, today.day);
        EXPECT_EQ(s.monthlyWeek, today.weekIndex);
        EXPECT_EQ(s.monthlyWeekday, today.dayOfWeek);
        EXPECT_EQ(s.yearlyMonth, today.month);
        EXPECT_EQ(s.yearlyDay, today.day);
        EXPECT_EQ(s.yearlyWeek, today.weekIndex);
        EXPECT_EQ(s.yearlyWeekday, today.dayOfWeek);
        EXPECT_EQ(s.yearlyWeekMonth, today.month);
        EXPECT_EQ(s.onceDay, today.day);
        EXPECT_EQ(s.onceMonth, today.month);
        EXPECT_EQ(s.onceYear, today.year);
        // The run time is the clock's reading with its seconds cleared; its date stays.
        EXPECT_EQ(s.runTime.wYear, today.year);
        EXPECT_EQ(s.runTime.wMonth, today.month);
        EXPECT_EQ(s.runTime.wDay, today.day);
        EXPECT_EQ(s.runTime.wHour, 14);
        EXPECT_TRUE(s.runTime.wMinute == before.wMinute || s.runTime.wMinute == after.wMinute);
        EXPECT_EQ(s.runTime.wSecond, 0);
    }
}
