#include "shell/dialog_resource.h"
#include "platform/modal.h"
#include "shell/app_state.h"

#include <cwchar>
#include <iterator>

INT_PTR runDialogResource(int dialogId, HWND owner, DLGPROC procedure, LPARAM parameter)
{
    HRSRC found = FindResourceW(instanceHandle, MAKEINTRESOURCEW(dialogId), RT_DIALOG);
    if (!found) return -1;
    HGLOBAL loaded = LoadResource(instanceHandle, found);
    auto* dialogTemplate = static_cast<LPCDLGTEMPLATEW>(LockResource(loaded));
    if (!dialogTemplate) return -1;
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
