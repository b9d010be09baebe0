// testwindow.exe: a stand-in windowed program. Its arguments list the windows
// to open, separated by ";": "visible:TITLE" or "hidden:TITLE" (the title may
// be empty or hold blanks). Once they all exist it sets the event named by
// test::windowProgramReadyEvent; it ends with exit code 0 when any of its
// windows receives WM_CLOSE.
#include "platform/device.h"
#include "platform/scoped.h"
#include "tests/support/test_window.h"

#include <windows.h>
#include <string>

namespace {

constexpr wchar_t WindowClass[] = L"MorvaneTestWindow";

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool openWindow(HINSTANCE instance, const std::wstring& request)
{
    bool visible;
    std::wstring title;
    if (request.rfind(L"visible:", 0) == 0) {
        visible = true;
        title = request.substr(8);
    } else if (request.rfind(L"hidden:", 0) == 0) {
        visible = false;
        title = request.substr(7);
    } else {
        return false;
    }
    HWND window = CreateWindowExW(0, WindowClass, title.c_str(), WS_OVERLAPPEDWINDOW, 10, 10, 100,
                                  80, nullptr, nullptr, instance, nullptr);
    if (!window) return false;
    if (visible) ShowWindow(window, SW_SHOWNOACTIVATE);
    return true;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = WindowClass;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    if (!RegisterClassW(&windowClass)) return 2;

    std::wstring arguments = ce::CommandLine();
    size_t start = 0;
    while (start <= arguments.size()) {
        size_t end = arguments.find(L';', start);
        if (end == std::wstring::npos) end = arguments.size();
        std::wstring request = arguments.substr(start, end - start);
        if (!request.empty() && !openWindow(instance, request)) return 3;
        start = end + 1;
    }

    ScopedHandle ready(CreateEventW(nullptr, TRUE, FALSE,
                                    test::windowProgramReadyEvent(GetCurrentProcessId()).c_str()));
    if (ready) SetEvent(ready.get());

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
