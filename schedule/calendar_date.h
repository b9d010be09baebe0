// A local date and time with the calendar steps the scheduler needs: next day,
// month and year, day of week (Zeller), nth weekday of a month and localized
// weekday and month names. Gregorian calendar; no time zones.
#ifndef MORVANE_SCHEDULE_CALENDAR_DATE_H
#define MORVANE_SCHEDULE_CALENDAR_DATE_H

#include <windows.h>

class CalendarDate {
public:
    // The current local time of the device clock.
    CalendarDate();
    virtual ~CalendarDate();

    WORD GetYear() const { return time.wYear; }
    WORD GetMonth() const { return time.wMonth; }
    WORD GetDay() const { return time.wDay; }
    WORD GetDayOfWeek() const { return time.wDayOfWeek; }
    WORD GetHour() const { return time.wHour; }
    WORD GetMinute() const { return time.wMinute; }

    void SetHour(WORD hour) { time.wHour = hour; }
    void SetMinute(WORD minute) { time.wMinute = minute; }
    void SetSecond(WORD second) { time.wSecond = second; }
    void SetYear(WORD year) { time.wYear = year; }   // day of week left as it was
    void SetDay(WORD day);                           // no range check; day of week recomputed
    void SetMonth(WORD month);                       // 13 and above give 12, 0 gives 1; day cut to the month

    void AddDay();        // day of week moves on by one
    void AddMonth();      // day cut to the new month; day of week recomputed
    void AddYear();       // month and day kept (29 February stays); day of week recomputed

    // 0 = Sunday .. 6 = Saturday.
    static WORD CalcDayOfWeek(WORD year, WORD month, WORD day);
    WORD WeekOfMonth() const;                        // (day - 1) / 7 + 1; 0 for day 0
    int DaysInMonth(int monthIndex) const;           // 0-based; February gives 29; 31 outside 0..11
    // Day of the iWeekNumber-th (1-based) iDayOfWeek of the month, or 0. Out of
    // range arguments show a message box; callers validate stored values first.
    int CalcDayFromWeekNumber(int iWeekNumber, int iDayOfWeek, int month, int year) const;

    // Localized names; the result is GetDateFormatW's: characters written
    // with the terminator, 0 on failure (also for a day or month out of range).
    int GetDayName(WORD dayOfWeek, wchar_t* buffer, int size) const;
    int GetShortDayName(WORD dayOfWeek, wchar_t* buffer, int size) const;
    int GetMonthName(WORD month, wchar_t* buffer, int size) const;
    int GetShortMonthName(WORD month, wchar_t* buffer, int size) const;

    BOOL ToFileTime(FILETIME* fileTime) const;
    void GetSystemTime(SYSTEMTIME* out) const { *out = time; }
    void Assign(const CalendarDate& other) { time = other.time; }
    void Assign(const SYSTEMTIME& other) { time = other; }

    // Dates alone: the time of day does not count. An invalid date on either
    // side compares as neither earlier nor later.
    BOOL IsSameDate(const SYSTEMTIME& other) const;
    BOOL IsDifferentDate(const SYSTEMTIME& other) const { return !IsSameDate(other); }
    BOOL IsEarlierDate(const SYSTEMTIME& other) const;   // other's date strictly earlier than this one
    BOOL IsLaterDate(const SYSTEMTIME& other) const;     // other's date strictly later than this one

    // Length of the month in the given year (February 28 or 29); 0 for a
    // month outside 1..12 (a damaged stored value), which has no day at all.
    int LengthOfMonth(WORD month, WORD year) const;
    static bool IsLeapYear(WORD year);

    SYSTEMTIME time;
    int monthLengths[12];

private:
    int formatDayName(WORD dayOfWeek, const wchar_t* picture, wchar_t* buffer, int size) const;
    int formatMonthName(WORD month, const wchar_t* picture, wchar_t* buffer, int size) const;
    int compareDates(const SYSTEMTIME& other, LONG* order) const;
};

#endif
