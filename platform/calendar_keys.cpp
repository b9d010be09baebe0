#include "platform/calendar_keys.h"

#include <commctrl.h>

namespace {

constexpr wchar_t PreviousProcedure[] = L"MorvaneCalendarKeys";
constexpr LONGLONG TicksPerDay = 864000000000LL;

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

SYSTEMTIME addDays(SYSTEMTIME date, int days)
{
    FILETIME moment;
    if (!SystemTimeToFileTime(&date, &moment)) return date;
    ULARGE_INTEGER ticks{{moment.dwLowDateTime, moment.dwHighDateTime}};
    ticks.QuadPart += static_cast<ULONGLONG>(days * TicksPerDay);
    moment = FILETIME{ticks.LowPart, ticks.HighPart};
    SYSTEMTIME moved = date;
    FileTimeToSystemTime(&moment, &moved);
    return moved;
}

// The same day of the month before or after, or that month's last day.
SYSTEMTIME addMonths(SYSTEMTIME date, int months)
{
    int index = date.wYear * 12 + (date.wMonth - 1) + months;
    date.wYear = static_cast<WORD>(index / 12);
    date.wMonth = static_cast<WORD>(index % 12 + 1);
    if (date.wDay > daysInMonth(date.wYear, date.wMonth)) date.wDay = static_cast<WORD>(daysInMonth(date.wYear, date.wMonth));
    return date;
}

bool moveSelection(HWND calendar, WPARAM key)
{
    SYSTEMTIME date{};
    if (!SendMessageW(calendar, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&date))) return false;
    switch (key) {
    case VK_LEFT: date = addDays(date, -1); break;
    case VK_RIGHT: date = addDays(date, 1); break;
    case VK_UP: date = addDays(date, -7); break;
    case VK_DOWN: date = addDays(date, 7); break;
    case VK_PRIOR: date = addMonths(date, -1); break;
    case VK_NEXT: date = addMonths(date, 1); break;
    default: return false;
    }
    SendMessageW(calendar, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&date));
    return true;
}

LRESULT CALLBACK calendarProcedure(HWND calendar, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto previous = reinterpret_cast<WNDPROC>(GetPropW(calendar, PreviousProcedure));
    if (message == WM_KEYDOWN && moveSelection(calendar, wParam)) return 0;
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(calendar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        RemovePropW(calendar, PreviousProcedure);
    }
    return CallWindowProcW(previous, calendar, message, wParam, lParam);
}

} // namespace

namespace ce {

void giveCalendarKeys(HWND calendar)
{
    if (!calendar || GetPropW(calendar, PreviousProcedure)) return;
    LONG_PTR previous = GetWindowLongPtrW(calendar, GWLP_WNDPROC);
    if (SetPropW(calendar, PreviousProcedure, reinterpret_cast<HANDLE>(previous)))
        SetWindowLongPtrW(calendar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(calendarProcedure));
}

} // namespace ce
