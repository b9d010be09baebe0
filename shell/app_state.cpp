#include "shell/app_state.h"
#include "commands/command_file.h"

HINSTANCE instanceHandle = nullptr;
HWND appWindow = nullptr;
int mainDialogAllowed = 1;
int dialogOpen = 0;
NOTIFYICONDATAW trayIconData = {};

// Destroyed at exit.
CommandFile sharedCommandFile;

// Made when the first dialog asks for its colour, and kept as long as the
// process: an event start that shows nothing never loads the drawing library.
HBRUSH dialogBrush = nullptr;

INT_PTR dialogColour(WPARAM deviceContext)
{
    if (!dialogBrush) dialogBrush = CreateSolidBrush(DialogColour);
    SetBkColor(reinterpret_cast<HDC>(deviceContext), DialogColour);
    return reinterpret_cast<INT_PTR>(dialogBrush);
}
