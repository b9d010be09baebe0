// The hidden main window of the resident instance, its tray icon and the main
// dialog it opens.
#ifndef MORVANE_SHELL_MAIN_WINDOW_H
#define MORVANE_SHELL_MAIN_WINDOW_H

#include <windows.h>

LRESULT CALLBACK appWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

void addTrayIcon();
void removeTrayIcon();

// Ends the resident instance: tray icon and registrations removed, window closed.
void shutDown();

// Runs the main dialog modally; returns its result (MainDialogShutdownResult
// asks the caller to shut down).
INT_PTR runMainDialog(HWND owner);

#endif
