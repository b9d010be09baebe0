// The Options dialog: the three on/off settings. Both ways of closing it
// store the boxes as they stand.
#ifndef MORVANE_SHELL_OPTIONS_DIALOG_H
#define MORVANE_SHELL_OPTIONS_DIALOG_H

#include <windows.h>

void runOptionsDialog(HWND owner);

#endif
