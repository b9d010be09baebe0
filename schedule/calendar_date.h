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
    void SetMonth(WORD month);                       // 13 and above give 12; day cut to the month

    void AddDay();
    void AddMonth();
    void AddYear();

    static WORD CalcDayOfWeek(WORD year, WORD month, WORD day);
    WORD WeekOfMonth() const;
    int DaysInMonth(int monthIndex) const;           // 0-based; February gives 29
    // Day of the iWeekNumber-th (1-based) iDayOfWeek of the month, or 0. Out of
    // range arguments show a message box; callers validate stored values first.
    int CalcDayFromWeekNumber(int iWeekNumber, int iDayOfWeek, int month, int year) const;

    int GetDayName(WORD dayOfWeek, wchar_t* buffer, int size) const;
    int GetShortDayName(WORD dayOfWeek, wchar_t* buffer, int size) const;
    int GetMonthName(WORD month, wchar_t* buffer, int size) const;
    int GetShortMonthName(WORD month, wchar_t* buffer, int size) const;

    BOOL ToFileTime(FILETIME* fileTime) const;
    void GetSystemTime(SYSTEMTIME* out) const { *out = time; }
    void Assign(const CalendarDate& other) { time = other.time; }
    void Assign(const SYSTEMTIME& other) { time = other; }

    BOOL IsSameDate(const SYSTEMTIME& other) const;
    BOOL IsDifferentDate(const SYSTEMTIME& other) const { return !IsSameDate(other); }
    BOOL IsEarlierDate(const SYSTEMTIME& other) const;   // other's date strictly earlier
    BOOL IsLaterDate(const SYSTEMTIME& other) const;     // other's date strictly later

    // Length of the month in the date's year (February 28 or 29).
    int LengthOfMonth(WORD month, WORD year) const;
    static bool IsLeapYear(WORD year);

    SYSTEMTIME time;
    int monthLengths[12];
};

#endif
