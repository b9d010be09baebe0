#include "shell/dialog_resource.h"
#include "shell/app_state.h"

INT_PTR runDialogResource(int dialogId, HWND owner, DLGPROC procedure, LPARAM parameter)
{
    HRSRC found = FindResourceW(instanceHandle, MAKEINTRESOURCEW(dialogId), RT_DIALOG);
    if (!found) return -1;
    HGLOBAL loaded = LoadResource(instanceHandle, found);
    auto* dialogTemplate = static_cast<LPCDLGTEMPLATEW>(LockResource(loaded));
    if (!dialogTemplate) return -1;
    return DialogBoxIndirectParamW(instanceHandle, dialogTemplate, owner, procedure, parameter);
}
