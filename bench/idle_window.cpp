// idle_window.exe: one hidden window and a message loop, nothing else; what
// the resident Morvane's memory is measured against (bench/footprint.sh).
// Built as morvane.exe is built, so that the difference is Morvane's own.
#include <windows.h>

namespace {

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"IdleWindow";
    if (!RegisterClassW(&windowClass)) return 1;
    if (!CreateWindowW(L"IdleWindow", L"Idle", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr, instance, nullptr))
        return 1;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
