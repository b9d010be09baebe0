#include "schedule/due_test.h"
#include "platform/device_clock.h"

namespace {

// The longest each month can be: 29 February is a real date in leap years.
constexpr int GreatestMonthLength[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

bool isMonth(int month) { return month >= 1 && month <= 12; }
bool isDayOfWeek(int dayOfWeek) { return dayOfWeek >= 0 && dayOfWeek <= 6; }
// Index 4 is the fifth occurrence: a schedule made on days 29 to 31 stores it.
bool isWeekIndex(int week) { return week >= 0 && week <= 4; }

} // namespace

bool isDueOnDate(const Command::Schedule& schedule, const CalendarDate& date)
{
    // Plain int arithmetic: a stored 65535 + 1 must not wrap round to 0.
    const int day = date.GetDay();
    const int month = date.GetMonth();
    const int year = date.GetYear();
    const int dayOfWeek = date.GetDayOfWeek();
    const int weekOfMonth = date.WeekOfMonth();

    switch (schedule.recurrence) {
    case Recurrence::Daily:
        return true;
    case Recurrence::Weekly:
        return isDayOfWeek(dayOfWeek) && (schedule.weekdayMask >> dayOfWeek) & 1;
    case Recurrence::Monthly:
        if (schedule.monthlyMode == MonthlyMode::MonthlyByDay) return day == schedule.monthlyDay;
        return weekOfMonth == schedule.monthlyWeek + 1 && dayOfWeek == schedule.monthlyWeekday;
    case Recurrence::Yearly:
        if (schedule.yearlyMode == YearlyMode::YearlyByDate)
            return month == schedule.yearlyMonth && day == schedule.yearlyDay;
        return dayOfWeek == schedule.yearlyWeekday && weekOfMonth == schedule.yearlyWeek + 1 &&
               month == schedule.yearlyWeekMonth;
    case Recurrence::Once:
        return day == schedule.onceDay && month == schedule.onceMonth && year == schedule.onceYear;
    }
    return false;
}

bool hasValidSchedule(const Command::Schedule& schedule)
{
    switch (schedule.recurrence) {
    case Recurrence::Daily:
        return true;
    case Recurrence::Weekly:
        return true;
    case Recurrence::Monthly:
        if (schedule.monthlyMode == MonthlyMode::MonthlyByDay)
            return schedule.monthlyDay >= 1 && schedule.monthlyDay <= 31;
        return isWeekIndex(schedule.monthlyWeek) && isDayOfWeek(schedule.monthlyWeekday);
    case Recurrence::Yearly:
        if (schedule.yearlyMode == YearlyMode::YearlyByDate)
            return isMonth(schedule.yearlyMonth) && schedule.yearlyDay >= 1 &&
                   schedule.yearlyDay <= GreatestMonthLength[schedule.yearlyMonth - 1];
        return isWeekIndex(schedule.yearlyWeek) && isDayOfWeek(schedule.yearlyWeekday) &&
               isMonth(schedule.yearlyWeekMonth);
    case Recurrence::Once: {
        SYSTEMTIME once{};
        once.wYear = schedule.onceYear;
        once.wMonth = schedule.onceMonth;
        once.wDay = schedule.onceDay;
        return device_clock::isValid(once);
    }
    }
    return true;   // an unknown recurrence runs daily
}
