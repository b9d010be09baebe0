#include "commands/message_window.h"
#include "platform/aygshell.h"
#include "platform/text.h"
#include "shell/app_state.h"
#include "shell/dialog_resource.h"

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
