// The about box: the program's icon, name, version and maker.
#ifndef MORVANE_SHELL_ABOUT_BOX_H
#define MORVANE_SHELL_ABOUT_BOX_H

#include <windows.h>

void runAboutBox(HWND owner);

#endif
