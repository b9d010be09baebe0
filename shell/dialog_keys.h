// What every dialog of the program does for a person holding the device:
// the keys alone reach every control, Return presses the focused button or
// else the dialog's default one, and a radio group is one stop of Tab.
#ifndef MORVANE_SHELL_DIALOG_KEYS_H
#define MORVANE_SHELL_DIALOG_KEYS_H

#include <windows.h>

// The answer to WM_INITDIALOG: defaultButton becomes what Return presses
// while the focus is on no push button (IDOK when the dialog has no default
// button of its own), each radio group's tab stop moves to its checked
// button, and the focus goes to `focus` (or else the first tab stop) the way
// Tab moves it, so that a focused push button is the one Return presses.
// Returns FALSE: the focus is placed.
INT_PTR focusFirstControl(HWND dialog, int defaultButton, HWND focus = nullptr);

// A radio button was clicked: when it is checked, its group's tab stop
// follows it, so that Tab comes back to the checked button.
void followCheckedRadio(HWND radio);

// After controls were disabled or hidden: a focus that was on formerFocus and
// is now on nothing, or on a control that cannot take it, goes to the nearest
// control before formerFocus in the order of Tab.
void keepFocusVisible(HWND dialog, HWND formerFocus);

#endif
