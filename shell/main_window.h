// The hidden main window of the resident instance, its tray icon and the tray
// menu it opens.
#ifndef MORVANE_SHELL_MAIN_WINDOW_H
#define MORVANE_SHELL_MAIN_WINDOW_H

#include <windows.h>
#include "shell/main_dialog.h"

LRESULT CALLBACK appWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The icon is loaded once for the process, so adding and removing it any
// number of times holds one icon handle.
void addTrayIcon();
void removeTrayIcon();

// Appends one item per stored command, in file order: RunCommandIdBase + n
// for the command at position n, its name as the text.
void fillRunCommandMenu(HMENU menu);

// Ends the resident instance: tray icon and registrations removed, window closed.
void shutDown();

#endif
