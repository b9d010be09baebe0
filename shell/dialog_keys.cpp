#include "shell/dialog_keys.h"

#include <cwchar>
#include <iterator>

namespace {

bool hasStyle(HWND control, LONG style)
{
    return (GetWindowLongW(control, GWL_STYLE) & style) == style;
}

bool isRadio(HWND control)
{
    wchar_t name[16] = L"";
    GetClassNameW(control, name, static_cast<int>(std::size(name)));
    const LONG type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    return _wcsicmp(name, L"Button") == 0 && (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON);
}

// By style, not IsWindowVisible: during WM_INITDIALOG the dialog itself is
// not shown yet.
bool canTakeFocus(HWND control)
{
    return hasStyle(control, WS_VISIBLE) && !hasStyle(control, WS_DISABLED);
}

void setTabStop(HWND control, bool on)
{
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    SetWindowLongW(control, GWL_STYLE, on ? style | WS_TABSTOP : style & ~WS_TABSTOP);
}

// The group that holds control: from the control with WS_GROUP at or
// before it up to the next one.
HWND groupStart(HWND control)
{
    HWND first = control;
    for (HWND previous; !hasStyle(first, WS_GROUP) && (previous = GetWindow(first, GW_HWNDPREV));)
        first = previous;
    return first;
}

bool checkedRadio(HWND control)
{
    return isRadio(control) && canTakeFocus(control) && SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// The one tab stop of the group's radio buttons goes to radio.
void moveTabStopTo(HWND radio)
{
    const HWND first = groupStart(radio);
    for (HWND member = first; member; member = GetWindow(member, GW_HWNDNEXT)) {
        if (member != first && hasStyle(member, WS_GROUP)) break;
        if (isRadio(member)) setTabStop(member, member == radio);
    }
}

} // namespace

INT_PTR focusFirstControl(HWND dialog, int defaultButton, HWND focus)
{
    SendMessageW(dialog, DM_SETDEFID, static_cast<WPARAM>(defaultButton), 0);
    // A checked button that cannot be reached (hidden) leaves its group's
    // tab stop where it was.
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT))
        if (checkedRadio(control)) moveTabStopTo(control);
    if (!focus) focus = GetNextDlgTabItem(dialog, nullptr, FALSE);
    // WM_NEXTDLGCTL, unlike SetFocus, also makes a focused push button the
    // one Return presses.
    if (focus) SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(focus), TRUE);
    return FALSE;
}

void followCheckedRadio(HWND radio)
{
    if (!checkedRadio(radio)) return;
    moveTabStopTo(radio);
    // Checked by an arrow key, the button repaints itself without the focus
    // rectangle it has just taken: painted whole, it shows it.
    if (GetFocus() == radio) InvalidateRect(radio, nullptr, TRUE);
}

void keepFocusVisible(HWND dialog, HWND formerFocus)
{
    HWND focus = GetFocus();
    if (focus && IsChild(dialog, focus) && canTakeFocus(focus)) return;
    // The nearest control before the one that lost it, in the order of Tab.
    HWND start = formerFocus && IsChild(dialog, formerFocus) ? formerFocus : nullptr;
    if (HWND next = GetNextDlgTabItem(dialog, start, start != nullptr))
        SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
}
