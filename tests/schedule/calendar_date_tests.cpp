// Calendar arithmetic against hand-computed dates, and against the platform's
// own calendar (FILETIME conversions) over whole centuries.
#include <gtest/gtest.h>

#include "platform/device_clock.h"
#include "schedule/calendar_date.h"
#include "shell/app_state.h"
#include "tests/schedule/device_clock_guard.h"
#include "tests/support/dialog_driver.h"

#include <string>

namespace {

enum : WORD { Sunday, Monday, Tuesday, Wednesday, Thursday, Friday, Saturday };

struct Date {
    WORD year, month, day;
};

SYSTEMTIME systemTime(Date date, WORD hour = 0, WORD minute = 0)
{
    SYSTEMTIME time{};
    time.wYear = date.year;
    time.wMonth = date.month;
    time.wDay = date.day;
    time.wHour = hour;
    time.wMinute = minute;
    return time;
}

// A CalendarDate on a given date, with its day of week as the platform says.
CalendarDate dateOn(Date date, WORD hour = 12, WORD minute = 0)
{
    SYSTEMTIME time = systemTime(date, hour, minute);
    FILETIME fileTime;
    SystemTimeToFileTime(&time, &fileTime);
    FileTimeToSystemTime(&fileTime, &time);
    CalendarDate calendar;
    calendar.Assign(time);
    return calendar;
}

void expectDate(const CalendarDate& date, Date expected, WORD dayOfWeek)
{
    EXPECT_EQ(date.GetYear(), expected.year);
    EXPECT_EQ(date.GetMonth(), expected.month);
    EXPECT_EQ(date.GetDay(), expected.day);
    EXPECT_EQ(date.GetDayOfWeek(), dayOfWeek);
}

constexpr ULONGLONG TicksPerDay = 864000000000ULL;

} // namespace

TEST(CalendarDayOfWeek, HandComputedDates)
{
    struct Case {
        Date date;
        WORD dayOfWeek;
    } cases[] = {
        {{2003, 1, 1}, Wednesday},  {{2000, 2, 29}, Tuesday},  {{2000, 1, 1}, Saturday},
        {{2000, 3, 1}, Wednesday},  {{1900, 1, 1}, Monday},    {{1900, 3, 1}, Thursday},
        {{2100, 3, 1}, Monday},     {{1999, 12, 31}, Friday},  {{2004, 2, 29}, Sunday},
        {{2003, 6, 1}, Sunday},     {{2003, 5, 24}, Saturday}, {{2024, 12, 25}, Wednesday},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CalendarDate::CalcDayOfWeek(c.date.year, c.date.month, c.date.day), c.dayOfWeek)
            << c.date.year << "-" << c.date.month << "-" << c.date.day;
}

TEST(CalendarDayOfWeek, AgreesWithThePlatformFrom1601To2400)
{
    SYSTEMTIME start = systemTime({1601, 1, 1});
    FILETIME fileTime;
    ASSERT_TRUE(SystemTimeToFileTime(&start, &fileTime));
    ULONGLONG ticks = device_clock::toTicks(fileTime);
    for (;;) {
        FILETIME day{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
        SYSTEMTIME time;
        ASSERT_TRUE(FileTimeToSystemTime(&day, &time));
        if (time.wYear > 2400) break;
        ASSERT_EQ(CalendarDate::CalcDayOfWeek(time.wYear, time.wMonth, time.wDay), time.wDayOfWeek)
            << time.wYear << "-" << time.wMonth << "-" << time.wDay;
        ticks += TicksPerDay;
    }
}

TEST(CalendarSteps, AddDayAcrossMonthYearAndLeapDay)
{
    struct Case {
        Date from, to;
        WORD dayOfWeek;
    } cases[] = {
        {{2003, 12, 31}, {2004, 1, 1}, Thursday},
        {{2003, 2, 28}, {2003, 3, 1}, Saturday},
        {{2004, 2, 28}, {2004, 2, 29}, Sunday},
        {{2004, 2, 29}, {2004, 3, 1}, Monday},
        {{1900, 2, 28}, {1900, 3, 1}, Thursday},
        {{2000, 2, 28}, {2000, 2, 29}, Tuesday},
        {{2003, 4, 30}, {2003, 5, 1}, Thursday},
    };
    for (const Case& c : cases) {
        CalendarDate date = dateOn(c.from);
        date.AddDay();
        expectDate(date, c.to, c.dayOfWeek);
    }
}

// Every step of four centuries, checked against the platform's next day.
TEST(CalendarSteps, AddDayWalksLikeThePlatformFrom1601To2400)
{
    CalendarDate date = dateOn({1601, 1, 1});
    SYSTEMTIME start = systemTime({1601, 1, 1});
    FILETIME fileTime;
    SystemTimeToFileTime(&start, &fileTime);
    ULONGLONG ticks = device_clock::toTicks(fileTime);
    while (date.GetYear() <= 2400) {
        ticks += TicksPerDay;
        date.AddDay();
        FILETIME next{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
        SYSTEMTIME expected;
        FileTimeToSystemTime(&next, &expected);
        ASSERT_TRUE(date.GetYear() == expected.wYear && date.GetMonth() == expected.wMonth &&
                    date.GetDay() == expected.wDay && date.GetDayOfWeek() == expected.wDayOfWeek)
            << "expected " << expected.wYear << "-" << expected.wMonth << "-" << expected.wDay;
    }
}

TEST(CalendarSteps, AddMonthCutsTheDayToTheNewMonth)
{
    struct Case {
        Date from, to;
        WORD dayOfWeek;
    } cases[] = {
        {{2003, 1, 31}, {2003, 2, 28}, Friday},
        {{2004, 1, 31}, {2004, 2, 29}, Sunday},
        {{2003, 12, 15}, {2004, 1, 15}, Thursday},
        {{2003, 3, 31}, {2003, 4, 30}, Wednesday},
        {{2003, 4, 30}, {2003, 5, 30}, Friday},
    };
    for (const Case& c : cases) {
        CalendarDate date = dateOn(c.from);
        date.AddMonth();
        expectDate(date, c.to, c.dayOfWeek);
    }
}

TEST(CalendarSteps, AddYearKeepsMonthAndDay)
{
    CalendarDate date = dateOn({2003, 3, 5});
    date.AddYear();
    expectDate(date, {2004, 3, 5}, Friday);
    date = dateOn({2003, 12, 31});
    date.AddYear();
    expectDate(date, {2004, 12, 31}, Friday);
}

TEST(CalendarSteps, SetMonthClampsMonthAndDay)
{
    CalendarDate date = dateOn({2003, 5, 31});   // a Saturday
    date.SetMonth(13);
    expectDate(date, {2003, 12, 31}, Saturday);   // only the month changes

    date = dateOn({2003, 5, 31});
    date.SetMonth(4);
    EXPECT_EQ(date.GetMonth(), 4);
    EXPECT_EQ(date.GetDay(), 30);

    date = dateOn({2003, 1, 30});
    date.SetMonth(2);
    EXPECT_EQ(date.GetDay(), 28);
    date = dateOn({2004, 1, 30});
    date.SetMonth(2);
    EXPECT_EQ(date.GetDay(), 29);

    // Month 0 (a damaged stored value) reads as January, never before the table.
    date = dateOn({2003, 5, 31});
    date.SetMonth(0);
    EXPECT_EQ(date.GetMonth(), 1);
    EXPECT_EQ(date.GetDay(), 31);
}

TEST(CalendarSteps, SetDayStoresTheDayAndItsWeekday)
{
    CalendarDate date = dateOn({2003, 4, 1});
    date.SetDay(30);
    expectDate(date, {2003, 4, 30}, Wednesday);
    date.SetDay(31);   // no range check: the caller must not ask for a day April lacks
    EXPECT_EQ(date.GetDay(), 31);
}

TEST(CalendarQueries, DaysInMonthIsTheGreatestLength)
{
    const int lengths[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (WORD year : {2003, 2004, 1900}) {
        CalendarDate date = dateOn({year, 6, 1});
        for (int index = 0; index < 12; ++index) EXPECT_EQ(date.DaysInMonth(index), lengths[index]);
    }
    // An index from a damaged stored month stays inside the table.
    CalendarDate date;
    EXPECT_EQ(date.DaysInMonth(-1), 31);
    EXPECT_EQ(date.DaysInMonth(12), 31);
    EXPECT_EQ(date.DaysInMonth(65534), 31);
}

TEST(CalendarQueries, LengthOfMonthFollowsLeapYears)
{
    CalendarDate date;
    EXPECT_EQ(date.LengthOfMonth(2, 2003), 28);
    EXPECT_EQ(date.LengthOfMonth(2, 2004), 29);
    EXPECT_EQ(date.LengthOfMonth(2, 1900), 28);   // divisible by 100
    EXPECT_EQ(date.LengthOfMonth(2, 2000), 29);   // divisible by 400
    EXPECT_EQ(date.LengthOfMonth(4, 2003), 30);
    EXPECT_EQ(date.LengthOfMonth(12, 2003), 31);
    // A damaged stored month has no day at all.
    EXPECT_EQ(date.LengthOfMonth(0, 2003), 0);
    EXPECT_EQ(date.LengthOfMonth(13, 2003), 0);
}

TEST(CalendarQueries, SameEarlierAndLaterCompareDatesAlone)
{
    CalendarDate date = dateOn({2004, 3, 1}, 12, 0);
    SYSTEMTIME sameDayEarly = systemTime({2004, 3, 1}, 0, 1);
    SYSTEMTIME sameDayLate = systemTime({2004, 3, 1}, 23, 59);
    SYSTEMTIME dayBeforeLate = systemTime({2004, 2, 29}, 23, 59);
    SYSTEMTIME dayAfterEarly = systemTime({2004, 3, 2}, 0, 0);
    SYSTEMTIME yearBefore = systemTime({2003, 3, 1}, 12, 0);

    EXPECT_TRUE(date.IsSameDate(sameDayEarly));
    EXPECT_FALSE(date.IsDifferentDate(sameDayLate));
    EXPECT_TRUE(date.IsDifferentDate(dayBeforeLate));

    EXPECT_FALSE(date.IsEarlierDate(sameDayEarly));
    EXPECT_FALSE(date.IsLaterDate(sameDayLate));
    EXPECT_TRUE(date.IsEarlierDate(dayBeforeLate));
    EXPECT_FALSE(date.IsLaterDate(dayBeforeLate));
    EXPECT_TRUE(date.IsLaterDate(dayAfterEarly));
    EXPECT_FALSE(date.IsEarlierDate(dayAfterEarly));
    EXPECT_TRUE(date.IsEarlierDate(yearBefore));

    // A date the platform cannot convert is neither earlier nor later.
    SYSTEMTIME invalid = systemTime({2003, 2, 30});
    EXPECT_FALSE(date.IsEarlierDate(invalid));
    EXPECT_FALSE(date.IsLaterDate(invalid));
}

TEST(CalendarQueries, ConstructionReadsTheDeviceClock)
{
    test::DeviceClockGuard clock;
    clock.set(2004, 2, 29, 10, 30);
    CalendarDate date;
    expectDate(date, {2004, 2, 29}, Sunday);
    EXPECT_EQ(date.GetHour(), 10);
    EXPECT_EQ(date.GetMinute(), 30);
}

TEST(CalendarNthWeekday, HandComputedDays)
{
    CalendarDate date;
    EXPECT_EQ(date.CalcDayFromWeekNumber(1, Sunday, 6, 2003), 1);
    EXPECT_EQ(date.CalcDayFromWeekNumber(4, Saturday, 5, 2003), 24);
    EXPECT_EQ(date.CalcDayFromWeekNumber(1, Monday, 9, 2003), 1);
    EXPECT_EQ(date.CalcDayFromWeekNumber(1, Monday, 9, 2004), 6);
    EXPECT_EQ(date.CalcDayFromWeekNumber(2, Tuesday, 3, 2004), 9);
    EXPECT_EQ(date.CalcDayFromWeekNumber(4, Sunday, 2, 2003), 23);
    EXPECT_EQ(date.CalcDayFromWeekNumber(4, Saturday, 2, 2004), 28);
    EXPECT_EQ(date.CalcDayFromWeekNumber(0, Monday, 9, 2003), 0);   // week 0: no such day, no message
}

// Every answer for weeks 1 to 4 is a day on that weekday in that week, by the
// platform's calendar.
TEST(CalendarNthWeekday, AgreesWithThePlatformFrom1990To2030)
{
    CalendarDate date;
    for (int year = 1990; year <= 2030; ++year)
        for (int month = 1; month <= 12; ++month)
            for (int dayOfWeek = 0; dayOfWeek <= 6; ++dayOfWeek)
                for (int week = 1; week <= 4; ++week) {
                    int day = date.CalcDayFromWeekNumber(week, dayOfWeek, month, year);
                    SYSTEMTIME time = systemTime({static_cast<WORD>(year), static_cast<WORD>(month),
                                                  static_cast<WORD>(day)});
                    FILETIME fileTime;
                    ASSERT_TRUE(SystemTimeToFileTime(&time, &fileTime)) << year << "-" << month << "-" << day;
                    FileTimeToSystemTime(&fileTime, &time);
                    ASSERT_EQ(time.wDayOfWeek, dayOfWeek);
                    ASSERT_EQ((day - 1) / 7 + 1, week);
                }
}

TEST(CalendarNthWeekday, IllegalArgumentsShowTheirMessage)
{
    instanceHandle = GetModuleHandleW(nullptr);
    CalendarDate date;
    test::DialogDriver driver;
    driver.answerMessageBox(IDOK).answerMessageBox(IDOK).answerMessageBox(IDOK).answerMessageBox(IDOK);

    EXPECT_EQ(date.CalcDayFromWeekNumber(5, Monday, 9, 2003), 0);
    EXPECT_EQ(date.CalcDayFromWeekNumber(-1, Monday, 9, 2003), 0);
    EXPECT_EQ(date.CalcDayFromWeekNumber(1, 7, 9, 2003), 0);
    EXPECT_EQ(date.CalcDayFromWeekNumber(5, -1, 9, 2003), 0);   // the week is tested first

    ASSERT_TRUE(driver.finished());
    const auto& boxes = driver.messageBoxes();
    ASSERT_EQ(boxes.size(), 4u);
    for (const auto& box : boxes) EXPECT_EQ(box.caption, L"");
    EXPECT_EQ(boxes[0].text, L"Illegal Parameter to CalcDayFromWeekNumber - iWeekNumber");
    EXPECT_EQ(boxes[1].text, L"Illegal Parameter to CalcDayFromWeekNumber - iWeekNumber");
    EXPECT_EQ(boxes[2].text, L"Illegal Parameter to CalcDayFromWeekNumber - iDayOfWeek=7");
    EXPECT_EQ(boxes[3].text, L"Illegal Parameter to CalcDayFromWeekNumber - iWeekNumber");
}

// A month from a damaged stored value has no nth weekday; no message, and no
// read outside the month table.
TEST(CalendarNthWeekday, MonthOutOfRangeGivesZero)
{
    CalendarDate date;
    test::DialogDriver driver;   // fails the test if a message box comes up
    EXPECT_EQ(date.CalcDayFromWeekNumber(1, Monday, 0, 2003), 0);
    EXPECT_EQ(date.CalcDayFromWeekNumber(1, Monday, 13, 2003), 0);
    EXPECT_EQ(date.CalcDayFromWeekNumber(1, Monday, 65535, 2003), 0);
    EXPECT_TRUE(driver.messageBoxes().empty());
}

namespace {

const wchar_t* const DayNames[] = {L"Sunday", L"Monday", L"Tuesday", L"Wednesday",
                                   L"Thursday", L"Friday", L"Saturday"};
const wchar_t* const ShortDayNames[] = {L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat"};
const wchar_t* const MonthNames[] = {L"January", L"February", L"March",     L"April",   L"May",      L"June",
                                     L"July",    L"August",   L"September", L"October", L"November", L"December"};
const wchar_t* const ShortMonthNames[] = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                          L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};

void expectName(int result, const wchar_t* buffer, const wchar_t* expected)
{
    EXPECT_STREQ(buffer, expected);
    EXPECT_EQ(result, static_cast<int>(wcslen(expected)) + 1);   // the terminator counts
}

} // namespace

// The names must not depend on today: checked on a Wednesday, on a Sunday and
// on 31 January, whose day February, April... lack.
TEST(CalendarNames, EveryWeekdayAndMonthWhateverToday)
{
    test::DeviceClockGuard clock;
    const Date todays[] = {{2003, 1, 1}, {2003, 6, 1}, {2004, 1, 31}, {2003, 10, 31}};
    for (Date today : todays) {
        clock.set(today.year, today.month, today.day);
        SCOPED_TRACE(testing::Message() << "today " << today.year << "-" << today.month << "-" << today.day);
        CalendarDate date;
        wchar_t buffer[260];
        for (WORD day = 0; day < 7; ++day) {
            expectName(date.GetDayName(day, buffer, static_cast<int>(std::size(buffer))), buffer, DayNames[day]);
            expectName(date.GetShortDayName(day, buffer, static_cast<int>(std::size(buffer))), buffer,
                       ShortDayNames[day]);
        }
        for (WORD month = 1; month <= 12; ++month) {
            expectName(date.GetMonthName(month, buffer, static_cast<int>(std::size(buffer))), buffer,
                       MonthNames[month - 1]);
            expectName(date.GetShortMonthName(month, buffer, static_cast<int>(std::size(buffer))), buffer,
                       ShortMonthNames[month - 1]);
        }
    }
}

TEST(CalendarNames, OutOfRangeOrTooSmallGivesZero)
{
    CalendarDate date;
    wchar_t buffer[260] = L"old";
    EXPECT_EQ(date.GetDayName(7, buffer, static_cast<int>(std::size(buffer))), 0);
    EXPECT_STREQ(buffer, L"");
    EXPECT_EQ(date.GetShortDayName(65535, buffer, static_cast<int>(std::size(buffer))), 0);
    EXPECT_EQ(date.GetMonthName(0, buffer, static_cast<int>(std::size(buffer))), 0);
    EXPECT_EQ(date.GetShortMonthName(13, buffer, static_cast<int>(std::size(buffer))), 0);

    wchar_t small[4];
    EXPECT_EQ(date.GetMonthName(9, small, static_cast<int>(std::size(small))), 0);   // "September" does not fit
}
