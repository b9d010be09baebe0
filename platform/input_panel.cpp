#include "platform/input_panel.h"

namespace input_panel {

UINT showMessage()
{
    static const UINT message = RegisterWindowMessageW(ShowMessageName);
    return message;
}

HWND find()
{
    return FindWindowW(WindowClass, WindowText);
}

bool isUp(RECT* where)
{
    HWND panel = find();
    if (!panel || !IsWindowVisible(panel)) return false;
    RECT r;
    if (!GetWindowRect(panel, &r)) return false;
    if (where) *where = r;
    return true;
}

void show(bool up)
{
    if (HWND panel = find()) PostMessageW(panel, showMessage(), up ? 1 : 0, 0);
}

RECT spaceAbove()
{
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT panel;
    if (isUp(&panel) && panel.top < work.bottom && panel.top > work.top) work.bottom = panel.top;
    return work;
}

} // namespace input_panel
