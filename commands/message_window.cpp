#include "commands/message_window.h"
#include "platform/aygshell.h"
#include "platform/text.h"
#include "shell/app_state.h"
#include "shell/dialog_resource.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr int ScreenMargin = 4;

int heightOf(HWND line, int width)
{
    // The line holds a command's message, which fits its capacity.
    wchar_t text[MessageCapacity];
    GetWindowTextW(line, text, static_cast<int>(std::size(text)));
    HDC dc = GetDC(line);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(line, WM_GETFONT, 0, 0)));
    RECT r{0, 0, width, 0};
    DrawTextW(dc, text, -1, &r, DT_LEFT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(line, dc);
    return r.bottom;
}

// A message taller than the template's line: the window grows, first as wide
// as the screen's work area allows, then downwards, and stays centred, so
// that as much of the message shows as the screen holds.
void fitText(HWND dialog)
{
    HWND line = GetDlgItem(dialog, IDC_MESSAGE_WINDOW_TEXT);
    RECT lineRect{}, frame{}, work{};
    GetWindowRect(line, &lineRect);
    GetWindowRect(dialog, &frame);
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) return;
    int width = lineRect.right - lineRect.left, height = lineRect.bottom - lineRect.top;
    if (heightOf(line, width) <= height) return;
    const int otherWidth = (frame.right - frame.left) - width, otherHeight = (frame.bottom - frame.top) - height;
    width = (work.right - work.left) - 2 * ScreenMargin - otherWidth;
    height = std::min(heightOf(line, width), static_cast<int>(work.bottom - work.top) - 2 * ScreenMargin - otherHeight);
    SetWindowPos(line, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const int frameWidth = width + otherWidth, frameHeight = height + otherHeight;
    SetWindowPos(dialog, nullptr, work.left + ((work.right - work.left) - frameWidth) / 2,
                 work.top + ((work.bottom - work.top) - frameHeight) / 2, frameWidth, frameHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

MessageWindow::MessageWindow() = default;
MessageWindow::~MessageWindow() = default;

void MessageWindow::setText(const wchar_t* text)
{
    hasText = text != nullptr;
    copyText(messageText, text ? text : L"");
}

INT_PTR MessageWindow::show()
{
    return runDialogResource(IDD_MESSAGE_WINDOW, nullptr, dialogProcedure,
                             reinterpret_cast<LPARAM>(this));
}

void MessageWindow::onInitDialog(HWND dialog) const
{
    // Keeps the template's small size; only the input panel goes down.
    SHINITDLGINFO init{};
    init.dwMask = SHIDIM_FLAGS;
    init.hDlg = dialog;
    init.dwFlags = SHIDIF_SIPDOWN;
    SHInitDialog(&init);
    if (hasText) SetDlgItemTextW(dialog, IDC_MESSAGE_WINDOW_TEXT, messageText);
    fitText(dialog);
    // A command's message comes in front, with the keys, whatever the person
    // was doing: an event start shows it from a process of its own.
    SetForegroundWindow(dialog);
}

INT_PTR CALLBACK MessageWindow::dialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        reinterpret_cast<const MessageWindow*>(lParam)->onInitDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, 1);
        return TRUE;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        return dialogColour(wParam);
    default:
        return FALSE;
    }
}
