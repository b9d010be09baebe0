#include "schedule/day_field.h"
#include <iterator>
#include "schedule/calendar_date.h"

namespace {

// A day has at most two digits; a longer number would not survive the
// 16-bit field it is stored in.
constexpr int DayDigits = 2;

void addItem(HWND list, const wchar_t* text)
{
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

HWND emptied(HWND page, int listId)
{
    HWND list = GetDlgItem(page, listId);
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    return list;
}

} // namespace

void setDayRange(HWND page, int spinId, int greatestDay)
{
    SendDlgItemMessageW(page, spinId, UDM_SETRANGE32, static_cast<WPARAM>(greatestDay), 1);
}

INT_PTR reverseStep(HWND page, NMHDR* header)
{
    if (header->code != UDN_DELTAPOS) return FALSE;
    reinterpret_cast<NMUPDOWN*>(header)->iDelta = -reinterpret_cast<NMUPDOWN*>(header)->iDelta;
    SetWindowLongPtrW(page, DWLP_MSGRESULT, 0);   // 0: let the change happen
    return TRUE;
}

void showDay(HWND page, int editId, WORD day)
{
    SendDlgItemMessageW(page, editId, EM_LIMITTEXT, DayDigits, 0);
    SetDlgItemInt(page, editId, day, FALSE);
}

WORD readDay(HWND page, int editId)
{
    return static_cast<WORD>(GetDlgItemInt(page, editId, nullptr, FALSE));
}

void fillOrdinals(HWND page, int listId)
{
    HWND list = emptied(page, listId);
    for (const wchar_t* ordinal : {L"1st", L"2nd", L"3rd", L"4th"}) addItem(list, ordinal);
}

void fillWeekdays(HWND page, int listId)
{
    HWND list = emptied(page, listId);
    CalendarDate calendar;
    wchar_t name[260];
    for (WORD day = 0; day < 7; ++day) {
        if (!calendar.GetDayName(day, name, static_cast<int>(std::size(name)))) name[0] = L'\0';
        addItem(list, name);
    }
}

void fillMonths(HWND page, int listId)
{
    HWND list = emptied(page, listId);
    CalendarDate calendar;
    wchar_t name[260];
    for (WORD month = 1; month <= 12; ++month) {
        if (!calendar.GetMonthName(month, name, static_cast<int>(std::size(name)))) name[0] = L'\0';
        addItem(list, name);
    }
}

void selectIndex(HWND page, int listId, int index)
{
    HWND list = GetDlgItem(page, listId);
    int count = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
    // The platform keeps an old selection for an index past the end; the
    // lists here are freshly filled, so none is left over.
    SendMessageW(list, CB_SETCURSEL, index >= 0 && index < count ? index : -1, 0);
}

WORD selectedIndex(HWND page, int listId)
{
    return static_cast<WORD>(SendDlgItemMessageW(page, listId, CB_GETCURSEL, 0, 0));
}
