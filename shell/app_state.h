// Program-wide state of morvane.exe: one copy per process, used on its one
// user-interface thread.
#ifndef MORVANE_SHELL_APP_STATE_H
#define MORVANE_SHELL_APP_STATE_H

#include <windows.h>
#include <shellapi.h>

class CommandFile;

extern HINSTANCE instanceHandle;     // every resource load and dialog
extern HWND appWindow;               // the hidden main window
extern int mainDialogAllowed;        // 0 after a "-reset" start: no main dialog at start
extern int dialogOpen;               // a dialog of the program is up
extern HBRUSH dialogBrush;           // background of every dialog; made at first use, never freed
extern CommandFile sharedCommandFile;  // the command list's command file
extern NOTIFYICONDATAW trayIconData;

// Background colour of every dialog and static control: red 153, green 153, blue 204.
constexpr COLORREF DialogColour = RGB(153, 153, 204);
static_assert(DialogColour == 0x00CC9999, "dialog colour");

// Keeps dialogOpen set while one dialog is up and puts back what it found,
// so that the flag stays set until the last dialog of a nest has closed.
class DialogOpenScope {
public:
    DialogOpenScope() : outer_(dialogOpen) { dialogOpen = 1; }
    ~DialogOpenScope() { dialogOpen = outer_; }
    DialogOpenScope(const DialogOpenScope&) = delete;
    DialogOpenScope& operator=(const DialogOpenScope&) = delete;

private:
    int outer_;
};

// Answers WM_CTLCOLORDLG and WM_CTLCOLORSTATIC the way every dialog does.
INT_PTR dialogColour(WPARAM deviceContext);

#endif
