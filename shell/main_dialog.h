// The main dialog: one button per task of the resident instance.
#ifndef MORVANE_SHELL_MAIN_DIALOG_H
#define MORVANE_SHELL_MAIN_DIALOG_H

#include <windows.h>

// Runs the main dialog modally; returns its result (MainDialogShutdownResult
// asks the caller to shut down).
INT_PTR runMainDialog(HWND owner);

// The question before the resident instance ends; true when answered Yes.
bool confirmShutdown(HWND owner);

#endif
