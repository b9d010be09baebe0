#include "shell/about_box.h"
#include "platform/aygshell.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/dialog_keys.h"
#include "shell/dialog_resource.h"

namespace {

INT_PTR onInitDialog(HWND dialog)
{
    SHINITDLGINFO init{SHIDIM_FLAGS, dialog, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN};
    SHInitDialog(&init);
    return focusFirstControl(dialog, IDOK);
}

INT_PTR onCommand(HWND dialog, WORD id)
{
    if (id != IDOK && id != IDCANCEL) return FALSE;
    EndDialog(dialog, id);
    return TRUE;
}

INT_PTR CALLBACK aboutBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return onInitDialog(dialog);
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        return dialogColour(wParam);
    case WM_COMMAND:
        return onCommand(dialog, LOWORD(wParam));
    default:
        return FALSE;
    }
}

} // namespace

void runAboutBox(HWND owner)
{
    runDialogResource(IDD_ABOUT, owner, aboutBoxProc);
}
