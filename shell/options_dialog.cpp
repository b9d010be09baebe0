#include "shell/options_dialog.h"
#include "platform/aygshell.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/dialog_keys.h"
#include "shell/dialog_resource.h"
#include "shell/settings_store.h"

namespace {

void setBox(HWND dialog, int id, DWORD value)
{
    SendDlgItemMessageW(dialog, id, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
}

DWORD boxValue(HWND dialog, int id)
{
    return SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

INT_PTR onInitDialog(HWND dialog)
{
    SHINITDLGINFO init{SHIDIM_FLAGS, dialog, SHIDIF_DONEBUTTON | SHIDIF_SIPDOWN | SHIDIF_EMPTYMENU};
    SHInitDialog(&init);
    SettingsStore settings;
    setBox(dialog, IDC_OPTIONS_TRAY_ICON, settings.getDword(L"EnableTrayIcon"));
    setBox(dialog, IDC_OPTIONS_ENABLE_COMMANDS, settings.getDword(L"EnableCommands"));
    setBox(dialog, IDC_OPTIONS_SHOW_MAIN, settings.getDword(L"ShowMainWin"));
    return focusFirstControl(dialog, IDOK);
}

// OK and Cancel both save: the dialog has no way to leave without saving.
INT_PTR onClose(HWND dialog, WORD id)
{
    SettingsStore settings;
    settings.setDword(L"EnableTrayIcon", boxValue(dialog, IDC_OPTIONS_TRAY_ICON));
    settings.setDword(L"ShowStatus", boxValue(dialog, IDC_OPTIONS_SHOW_MAIN));
    settings.setDword(L"EnableCommands", boxValue(dialog, IDC_OPTIONS_ENABLE_COMMANDS));
    settings.setDword(L"ShowMainWin", boxValue(dialog, IDC_OPTIONS_SHOW_MAIN));
    EndDialog(dialog, id);
    return TRUE;
}

INT_PTR CALLBACK optionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return onInitDialog(dialog);
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        return dialogColour(wParam);
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            return onClose(dialog, LOWORD(wParam));
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

} // namespace

void runOptionsDialog(HWND owner)
{
    runDialogResource(IDD_OPTIONS, owner, optionsDialogProc);
}
