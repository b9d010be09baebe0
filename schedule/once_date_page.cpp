// The date of a command that runs once. Any date is accepted, a past one
// too: the scheduler then registers that moment as it is.
#include <windows.h>
#include <commctrl.h>
#include "platform/calendar_keys.h"
#include "platform/device.h"
#include "resources/resource.h"
#include "schedule/schedule_pages.h"
#include "wizard/page_protocol.h"
#include "wizard/wizard_state.h"

namespace {

// The calendar's smallest whole size depends on the font the platform draws
// it with: grow the control to it rather than clip a row of days.
void fitCalendar(HWND calendar)
{
    RECT needed{};
    if (!SendMessageW(calendar, MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&needed))) return;
    RECT now{};
    GetWindowRect(calendar, &now);
    int width = now.right - now.left, height = now.bottom - now.top;
    if (needed.right <= width && needed.bottom <= height) return;
    SetWindowPos(calendar, nullptr, 0, 0, needed.right > width ? needed.right : width,
                 needed.bottom > height ? needed.bottom : height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void fill(HWND page)
{
    HWND calendar = GetDlgItem(page, IDC_ONCE_CALENDAR);
    fitCalendar(calendar);
    ce::giveCalendarKeys(calendar);
    const Command::Schedule& schedule = wizardCommand->schedule;
    SYSTEMTIME date;
    ce::GetLocalTime(&date);
    // The calendar marks the host's today by itself; the device's is another.
    SendMessageW(calendar, MCM_SETTODAY, 0, reinterpret_cast<LPARAM>(&date));
    date.wYear = schedule.onceYear;
    date.wMonth = schedule.onceMonth;
    date.wDay = schedule.onceDay;
    SendMessageW(calendar, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&date));
}

void back(HWND page)
{
    SYSTEMTIME date{};
    if (!SendDlgItemMessageW(page, IDC_ONCE_CALENDAR, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&date))) return;
    Command::Schedule& schedule = wizardCommand->schedule;
    schedule.onceDay = date.wDay;
    schedule.onceMonth = date.wMonth;
    schedule.onceYear = date.wYear;
}

INT_PTR next(HWND page)
{
    back(page);
    return PageNext;
}

const WizardPage onceDatePage{IDD_ONCE_DATE_PAGE, fill, next, back, nullptr, nullptr};

} // namespace

INT_PTR CALLBACK onceDatePageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return handlePageMessage(onceDatePage, dialog, message, wParam, lParam);
}
