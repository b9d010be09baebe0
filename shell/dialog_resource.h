// Runs a modal dialog from a template among the program's resources.
#ifndef MORVANE_SHELL_DIALOG_RESOURCE_H
#define MORVANE_SHELL_DIALOG_RESOURCE_H

#include <windows.h>

// FindResourceW, LoadResource, DialogBoxIndirectParamW on instanceHandle.
// dialogOpen is set while the dialog is up, and the window that was active
// before it is active again when it has closed. Returns the dialog's result,
// or -1 when the template is missing.
INT_PTR runDialogResource(int dialogId, HWND owner, DLGPROC procedure, LPARAM parameter = 0);

// The dialog of this thread a person is working in: the topmost one that is
// shown and takes input (a message box too); null when none is up.
HWND frontDialog();

#endif
