#include "schedule/calendar_date.h"
#include "platform/device.h"
#include "platform/modal.h"

#include <cwchar>
#include <iterator>

namespace {

int formatName(const SYSTEMTIME& date, const wchar_t* picture, wchar_t* buffer, int size)
{
    return GetDateFormatW(LOCALE_SYSTEM_DEFAULT, 0, &date, picture, buffer, size);
}

} // namespace

CalendarDate::CalendarDate() : time(), monthLengths{31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}
{
    ce::GetLocalTime(&time);
}

CalendarDate::~CalendarDate() = default;

bool CalendarDate::IsLeapYear(WORD year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int CalendarDate::LengthOfMonth(WORD month, WORD year) const
{
    if (month < 1 || month > 12) return 0;
    if (month == 2 && !IsLeapYear(year)) return 28;
    return monthLengths[month - 1];
}

int CalendarDate::DaysInMonth(int monthIndex) const
{
    if (monthIndex < 0 || monthIndex > 11) return 31;
    return monthLengths[monthIndex];
}

// Zeller's congruence in truncating integer arithmetic; h counts from
// Saturday, the result from Sunday.
WORD CalendarDate::CalcDayOfWeek(WORD year, WORD month, WORD day)
{
    int y = year;
    int m = month;
    int d = day;
    if (m <= 2) {
        y -= 1;
        m += 12;
    }
    int k = y % 100;
    int j = y / 100;
    int h = (d + (26 * (m + 1)) / 10 + k + k / 4 + j / 4 - 2 * j) % 7;
    if (h < 0) h += 7;
    int dayOfWeek = h - 1;
    if (dayOfWeek == -1) dayOfWeek = 6;
    return static_cast<WORD>(dayOfWeek);
}

void CalendarDate::SetDay(WORD day)
{
    time.wDay = day;
    time.wDayOfWeek = CalcDayOfWeek(time.wYear, time.wMonth, day);
}

void CalendarDate::SetMonth(WORD month)
{
    if (month > 12) {
        time.wMonth = 12;
        return;
    }
    // Month 0 would index before the table; it is read as January.
    time.wMonth = month == 0 ? 1 : month;
    int length = LengthOfMonth(time.wMonth, time.wYear);
    if (time.wDay > length) time.wDay = static_cast<WORD>(length);
}

void CalendarDate::AddDay()
{
    if (time.wDay + 1 > LengthOfMonth(time.wMonth, time.wYear)) {
        time.wDay = 1;
        ++time.wMonth;
        if (time.wMonth > 12) {
            time.wMonth = 1;
            ++time.wYear;
        }
    } else {
        ++time.wDay;
    }
    ++time.wDayOfWeek;
    if (time.wDayOfWeek == 7) time.wDayOfWeek = 0;
}

void CalendarDate::AddMonth()
{
    ++time.wMonth;
    if (time.wMonth > 12) {
        time.wMonth = 1;
        ++time.wYear;
    }
    int length = LengthOfMonth(time.wMonth, time.wYear);
    if (time.wDay > length) time.wDay = static_cast<WORD>(length);
    time.wDayOfWeek = CalcDayOfWeek(time.wYear, time.wMonth, time.wDay);
}

void CalendarDate::AddYear()
{
    ++time.wYear;
    time.wDayOfWeek = CalcDayOfWeek(time.wYear, time.wMonth, time.wDay);
}

WORD CalendarDate::WeekOfMonth() const
{
    if (time.wDay == 0) return 0;
    return static_cast<WORD>((time.wDay - 1) / 7 + 1);
}

int CalendarDate::CalcDayFromWeekNumber(int iWeekNumber, int iDayOfWeek, int month, int year) const
{
    if (iWeekNumber < 0 || iWeekNumber > 4) {
        ce::MessageBoxW(nullptr, L"Illegal Parameter to CalcDayFromWeekNumber - iWeekNumber", L"", MB_OK);
        return 0;
    }
    if (iDayOfWeek < 0 || iDayOfWeek > 6) {
        wchar_t text[128];
        swprintf(text, std::size(text), L"Illegal Parameter to CalcDayFromWeekNumber - iDayOfWeek=%d",
                 iDayOfWeek);
        ce::MessageBoxW(nullptr, text, L"", MB_OK);
        return 0;
    }
    // A stored month out of range (an unselected list stores 65535) has no
    // nth weekday; it must not index outside the table.
    if (month < 1 || month > 12) return 0;

    int first = CalcDayOfWeek(static_cast<WORD>(year), static_cast<WORD>(month), 1);
    int offset = iDayOfWeek - first;
    if (offset < 0) offset += 7;
    int day = 1 + offset + 7 * (iWeekNumber - 1);
    if (day < 1 || day > monthLengths[month - 1]) return 0;
    return day;
}

// The platform derives the weekday from the date and ignores wDayOfWeek, so
// the name comes from the first date from today on that falls on that day.
int CalendarDate::formatDayName(WORD dayOfWeek, const wchar_t* picture, wchar_t* buffer, int size) const
{
    if (dayOfWeek > 6) {
        if (buffer && size > 0) buffer[0] = L'\0';
        return 0;
    }
    CalendarDate date;
    for (int step = 0; step < 7 && date.time.wDayOfWeek != dayOfWeek; ++step) date.AddDay();
    return formatName(date.time, picture, buffer, size);
}

int CalendarDate::formatMonthName(WORD month, const wchar_t* picture, wchar_t* buffer, int size) const
{
    if (month < 1 || month > 12) {
        if (buffer && size > 0) buffer[0] = L'\0';
        return 0;
    }
    SYSTEMTIME date;
    ce::GetLocalTime(&date);
    date.wMonth = month;
    int length = LengthOfMonth(month, date.wYear);
    if (date.wDay > length) date.wDay = static_cast<WORD>(length);
    return formatName(date, picture, buffer, size);
}

int CalendarDate::GetDayName(WORD dayOfWeek, wchar_t* buffer, int size) const
{
    return formatDayName(dayOfWeek, L"dddd", buffer, size);
}

int CalendarDate::GetShortDayName(WORD dayOfWeek, wchar_t* buffer, int size) const
{
    return formatDayName(dayOfWeek, L"ddd", buffer, size);
}

int CalendarDate::GetMonthName(WORD month, wchar_t* buffer, int size) const
{
    return formatMonthName(month, L"MMMM", buffer, size);
}

int CalendarDate::GetShortMonthName(WORD month, wchar_t* buffer, int size) const
{
    return formatMonthName(month, L"MMM", buffer, size);
}

BOOL CalendarDate::ToFileTime(FILETIME* fileTime) const
{
    return SystemTimeToFileTime(&time, fileTime);
}

BOOL CalendarDate::IsSameDate(const SYSTEMTIME& other) const
{
    return other.wYear == time.wYear && other.wMonth == time.wMonth && other.wDay == time.wDay;
}

// The other date takes this one's time of day, so only the dates differ.
int CalendarDate::compareDates(const SYSTEMTIME& other, LONG* order) const
{
    SYSTEMTIME sameTime = other;
    sameTime.wHour = time.wHour;
    sameTime.wMinute = time.wMinute;
    sameTime.wSecond = time.wSecond;
    sameTime.wMilliseconds = time.wMilliseconds;
    FILETIME otherFileTime, thisFileTime;
    if (!SystemTimeToFileTime(&sameTime, &otherFileTime) || !SystemTimeToFileTime(&time, &thisFileTime))
        return 0;
    *order = CompareFileTime(&otherFileTime, &thisFileTime);
    return 1;
}

BOOL CalendarDate::IsEarlierDate(const SYSTEMTIME& other) const
{
    LONG order = 0;
    return compareDates(other, &order) && order == -1;
}

BOOL CalendarDate::IsLaterDate(const SYSTEMTIME& other) const
{
    LONG order = 0;
    return compareDates(other, &order) && order == 1;
}
