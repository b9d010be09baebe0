// The device's input panel: the keyboard that the stylus types on, drawn
// along the bottom of the screen above the task bar. Its program
// (inputpanel.exe) belongs to the device; the shell's dialog helpers
// (aygshell.cpp) lower it and fit windows above it. What both sides share is
// here: how the panel is found, raised, lowered and measured.
#ifndef MORVANE_PLATFORM_INPUT_PANEL_H
#define MORVANE_PLATFORM_INPUT_PANEL_H

#include <windows.h>

// The setting that WM_SETTINGCHANGE names when the panel has moved.
constexpr UINT SPI_SETSIPINFO = 224;

namespace input_panel {

// The panel: a top-level window of this class and text. Its keys are child
// windows whose texts are what they type, or their names.
constexpr wchar_t WindowClass[] = L"DeviceInputPanel";
constexpr wchar_t WindowText[] = L"Keyboard";
// The keys' class, and that of the task bar's button that raises and lowers
// the panel; neither takes the focus from the window typed into.
constexpr wchar_t KeyClass[] = L"DeviceInputPanelKey";
constexpr wchar_t ButtonText[] = L"Input Panel";
constexpr int Height = 80;

// Posted to the panel: wParam 1 raises it, 0 lowers it. A panel that moves
// sends every top-level window WM_SETTINGCHANGE with SPI_SETSIPINFO.
constexpr wchar_t ShowMessageName[] = L"DeviceInputPanelShow";
UINT showMessage();

HWND find();

// Whether the panel is up; if so, where on the screen.
bool isUp(RECT* where);

// Asks the panel to rise or go down; returns at once. No panel, no change.
void show(bool up);

// The part of the work area that the panel leaves free.
RECT spaceAbove();

} // namespace input_panel

#endif
