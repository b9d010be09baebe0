#include "shell/app_state.h"
#include "commands/command_file.h"

HINSTANCE instanceHandle = nullptr;
HWND appWindow = nullptr;
int mainDialogAllowed = 1;
int dialogOpen = 0;
NOTIFYICONDATAW trayIconData = {};

// Both are made before the entry point runs; the brush lives as long as the
// process, and the command file object is destroyed at exit.
HBRUSH dialogBrush = CreateSolidBrush(DialogColour);
CommandFile sharedCommandFile;

INT_PTR dialogColour(WPARAM deviceContext)
{
    SetBkColor(reinterpret_cast<HDC>(deviceContext), DialogColour);
    return reinterpret_cast<INT_PTR>(dialogBrush);
}
