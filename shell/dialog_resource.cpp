#include "shell/dialog_resource.h"
#include "platform/modal.h"
#include "shell/app_state.h"

#include <commctrl.h>
#include <cwchar>
#include <iterator>

namespace {

// The tree views and date controls of the dialogs, registered before the
// first dialog of the process and kept. Loading the library that holds them
// registers every control class, brings up the display driver and under the
// platform costs 1.4 MB of memory (three large cursors among it): a process
// that shows no dialog (an event start, a resident instance left alone) is
// spared all of it.
void initCommonControls()
{
    static bool done;
    if (done) return;
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_TREEVIEW_CLASSES | ICC_DATE_CLASSES;
    static_assert((ICC_TREEVIEW_CLASSES | ICC_DATE_CLASSES) == 0x102, "common controls");
    done = InitCommonControlsEx(&controls) != FALSE;
}

} // namespace

INT_PTR runDialogResource(int dialogId, HWND owner, DLGPROC procedure, LPARAM parameter)
{
    HRSRC found = FindResourceW(instanceHandle, MAKEINTRESOURCEW(dialogId), RT_DIALOG);
    if (!found) return -1;
    HGLOBAL loaded = LoadResource(instanceHandle, found);
    auto* dialogTemplate = static_cast<LPCDLGTEMPLATEW>(LockResource(loaded));
    if (!dialogTemplate) return -1;
    initCommonControls();
    DialogOpenScope open;
    ce::ActiveWindowKeeper beneath;
    return DialogBoxIndirectParamW(instanceHandle, dialogTemplate, owner, procedure, parameter);
}

HWND frontDialog()
{
    HWND front = nullptr;
    // Top-level windows of a thread are listed from the top of the z-order.
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM found) -> BOOL {
            wchar_t name[16] = L"";
            GetClassNameW(window, name, static_cast<int>(std::size(name)));
            if (wcscmp(name, L"#32770") != 0 || !IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
            *reinterpret_cast<HWND*>(found) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&front));
    return front;
}
