// The Statistics dialog: how often each kind of action ran, and "Clear".
#ifndef MORVANE_SHELL_STATISTICS_DIALOG_H
#define MORVANE_SHELL_STATISTICS_DIALOG_H

#include <windows.h>

void runStatisticsDialog(HWND owner);

#endif
