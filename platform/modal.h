// Modal windows as the handheld shows them. Its message box fits its screen,
// text and caption whole; the desktop's box sizes itself for a desktop and can
// be wider than the device. And when a modal window closes, the handheld makes
// the window beneath it active again; the desktop's window manager here may
// leave no window active, so that no key reaches any.
#ifndef MORVANE_PLATFORM_MODAL_H
#define MORVANE_PLATFORM_MODAL_H

#include <windows.h>

namespace ce {

// MessageBoxW, laid out within the screen's work area: the text wrapped to
// the room there is, the box wide enough for its caption, centred; the window
// active before it is active again afterwards.
int MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType);

// Around a modal window: notes the active window at construction, makes it
// active as the modal window hides, and again at destruction when something
// else took the activation meanwhile and it is still shown and takes input.
// Meanwhile a dialog of the thread that shows while already active (made so
// as it placed its focus) is handed the keys as it shows. One per modal
// window, nested as the windows are.
class ActiveWindowKeeper {
public:
    ActiveWindowKeeper();
    ~ActiveWindowKeeper();
    ActiveWindowKeeper(const ActiveWindowKeeper&) = delete;
    ActiveWindowKeeper& operator=(const ActiveWindowKeeper&) = delete;

private:
    HWND beneath_;
    HWND outerBeneath_;   // the window beneath the keeper's outer one
};

} // namespace ce

#endif
