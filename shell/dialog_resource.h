// Runs a modal dialog from a template among the program's resources.
#ifndef MORVANE_SHELL_DIALOG_RESOURCE_H
#define MORVANE_SHELL_DIALOG_RESOURCE_H

#include <windows.h>

// FindResourceW, LoadResource, DialogBoxIndirectParamW on instanceHandle.
// Returns the dialog's result, or -1 when the template is missing.
INT_PTR runDialogResource(int dialogId, HWND owner, DLGPROC procedure, LPARAM parameter = 0);

#endif
