// inputpanel.exe: the device's input panel, a keyboard for the stylus along
// the bottom of the screen, above the task bar. A button on the task bar
// raises and lowers it. The device starts it when it boots; it runs until the
// device goes down or is reset.
//
// A tap on a key types into the window that has the keys, as a key press
// does, and leaves that window active with its focus where it was: neither
// the panel nor its keys ever take the activation or the focus.
#include "emulator/device_services.h"
#include "emulator/keyboard_layout.h"
#include "platform/input_panel.h"
#include "platform/scoped.h"

#include <windows.h>
#include <shellapi.h>
#include <cwchar>
#include <iterator>

namespace {

using keyboard_layout::Action;
using keyboard_layout::Key;

constexpr wchar_t SingleInstanceName[] = L"DeviceInputPanelProgram";
constexpr UINT_PTR DockTimer = 1;
constexpr UINT DockIntervalMs = 1000;
constexpr UINT TrayCallback = WM_APP + 1;
constexpr UINT SettingChangeWaitMs = 1000;
constexpr UINT TrayIconId = 1;
// Keys are numbered from KeyIdBase, as child windows.
constexpr int KeyIdBase = 100;

struct PanelState {
    HINSTANCE instance = nullptr;
    HWND panel = nullptr;
    HWND button = nullptr;   // over the task bar
    HWND keyWindows[64] = {};
    HFONT font = nullptr;
    bool up = false;
    bool shifted = false;
    bool symbols = false;
    bool trayIconAdded = false;
    HANDLE docked = nullptr;   // set once the button is on the task bar
};

PanelState state;

const Key* keyOf(HWND window)
{
    const int index = GetDlgCtrlID(window) - KeyIdBase;
    if (index < 0 || static_cast<size_t>(index) >= keyboard_layout::keyCount()) return nullptr;
    return &keyboard_layout::keys()[index];
}

// ---- Typing ----------------------------------------------------------------------

void sendInput(WORD virtualKey, wchar_t character)
{
    INPUT input[2] = {};
    for (INPUT& in : input) {
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = virtualKey;
        in.ki.wScan = character;
        in.ki.dwFlags = character ? KEYEVENTF_UNICODE : 0;
    }
    input[1].ki.dwFlags |= KEYEVENTF_KEYUP;
    SendInput(static_cast<UINT>(std::size(input)), input, sizeof(INPUT));
}

void relabelKeys()
{
    for (size_t i = 0; i < keyboard_layout::keyCount(); ++i) {
        wchar_t text[16];
        keyboard_layout::keyText(keyboard_layout::keys()[i], state.shifted, state.symbols, text, std::size(text));
        SetWindowTextW(state.keyWindows[i], text);
    }
}

void onKey(const Key& key)
{
    switch (key.action) {
    case Action::Type: {
        wchar_t text[2];
        keyboard_layout::keyText(key, state.shifted, state.symbols, text, std::size(text));
        sendInput(0, text[0]);
        // Shift holds for one letter, as on a handheld's panel.
        if (state.shifted && !state.symbols) {
            state.shifted = false;
            relabelKeys();
        }
        return;
    }
    case Action::Shift:
        state.shifted = !state.shifted;
        break;
    case Action::Symbols:
        state.symbols = !state.symbols;
        break;
    case Action::Space:
        sendInput(VK_SPACE, 0);
        return;
    case Action::Backspace:
        sendInput(VK_BACK, 0);
        return;
    case Action::Enter:
        sendInput(VK_RETURN, 0);
        return;
    }
    relabelKeys();
}

// ---- Raising and lowering ---------------------------------------------------------

void placePanel()
{
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(state.panel, HWND_TOPMOST, work.left, work.bottom - input_panel::Height, work.right - work.left,
                 input_panel::Height, SWP_NOACTIVATE);
}

void setUp(bool up)
{
    if (up == state.up) return;
    state.up = up;
    if (up) placePanel();
    ShowWindow(state.panel, up ? SW_SHOWNOACTIVATE : SW_HIDE);
    if (state.button) InvalidateRect(state.button, nullptr, TRUE);
    // Every top-level window learns that the panel moved, as the handheld's
    // shell tells them; those that fit above it ask where it is now. Sent,
    // as the platform delivers this message to another process only so; a
    // window that does not answer holds the panel up for a moment at most.
    EnumWindows(
        [](HWND window, LPARAM) -> BOOL {
            DWORD_PTR result = 0;
            SendMessageTimeoutW(window, WM_SETTINGCHANGE, SPI_SETSIPINFO, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                                SettingChangeWaitMs, &result);
            return TRUE;
        },
        0);
}

// ---- The task bar button ----------------------------------------------------------

// The task bar lays its window buttons out up to its notification icons: an
// icon of the panel's own keeps a place free at its right end, and the
// button, a window of its own, lies over that place.
void addTrayIcon()
{
    if (state.trayIconAdded) return;
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = state.panel;
    icon.uID = TrayIconId;
    icon.uFlags = NIF_MESSAGE | NIF_TIP;
    icon.uCallbackMessage = TrayCallback;
    wcsncpy(icon.szTip, input_panel::ButtonText, std::size(icon.szTip) - 1);
    state.trayIconAdded = Shell_NotifyIconW(NIM_ADD, &icon) != FALSE;
}

void removeTrayIcon()
{
    if (!state.trayIconAdded) return;
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = state.panel;
    icon.uID = TrayIconId;
    Shell_NotifyIconW(NIM_DELETE, &icon);
    state.trayIconAdded = false;
}

// The place of the task bar's right-most notification icon, on the screen.
RECT iconPlace(HWND tray)
{
    RECT bar;
    GetWindowRect(tray, &bar);
    RECT place{bar.right - GetSystemMetrics(SM_CXSMICON) - 4, bar.top, bar.right, bar.bottom};
    for (HWND child = GetWindow(tray, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[32] = L"";
        GetClassNameW(child, name, static_cast<int>(std::size(name)));
        RECT r;
        if (!IsWindowVisible(child) || _wcsicmp(name, L"Button") == 0 || !GetWindowRect(child, &r)) continue;
        if (r.right == bar.right) place.left = r.left;
    }
    return place;
}

// Keeps the button over the place its icon keeps, above the task bar, and
// out of sight while the task bar is.
void dockButton()
{
    HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (!tray || !IsWindowVisible(tray)) {
        ShowWindow(state.button, SW_HIDE);
        return;
    }
    addTrayIcon();
    const RECT place = iconPlace(tray);
    SetWindowPos(state.button, HWND_TOPMOST, place.left, place.top, place.right - place.left,
                 place.bottom - place.top, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    if (state.trayIconAdded) SetEvent(state.docked);
}

// ---- Drawing ----------------------------------------------------------------------

// A small keyboard: a frame with two rows of keys and a space bar.
void drawKeyboardSign(HDC dc, const RECT& r, bool pushed)
{
    const int width = 14, height = 10;
    const int left = (r.left + r.right - width) / 2 + (pushed ? 1 : 0);
    const int top = (r.top + r.bottom - height) / 2 + (pushed ? 1 : 0);
    HBRUSH ink = GetSysColorBrush(COLOR_BTNTEXT);
    RECT frame{left, top, left + width, top + height};
    FrameRect(dc, &frame, ink);
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 5; ++column) {
            RECT dot{left + 2 + column * 2 + column / 2, top + 2 + row * 2, 0, 0};
            dot.right = dot.left + 1;
            dot.bottom = dot.top + 1;
            FillRect(dc, &dot, ink);
        }
    RECT bar{left + 4, top + 7, left + width - 4, top + 8};
    FillRect(dc, &bar, ink);
}

void paintKey(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT r;
    GetClientRect(window, &r);
    const Key* key = keyOf(window);
    const bool latched = window == state.button ? state.up
                         : key && key->action == Action::Shift ? state.shifted
                         : key && key->action == Action::Symbols && state.symbols;
    DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (latched ? DFCS_PUSHED : 0));
    if (window == state.button) {
        drawKeyboardSign(dc, r, latched);
    } else if (key) {
        wchar_t text[16];
        keyboard_layout::keyText(*key, state.shifted, state.symbols, text, std::size(text));
        const wchar_t* label = key->action == Action::Type ? text : keyboard_layout::keyLabel(*key, state.symbols);
        HGDIOBJ old = SelectObject(dc, state.font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        DrawTextW(dc, label, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc, old);
    }
    EndPaint(window, &paint);
}

// ---- Window procedures ------------------------------------------------------------

LRESULT CALLBACK keyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_LBUTTONDOWN:
        // Acted on as it goes down: a tap is a press, and nothing here takes
        // the capture (or the focus) to wait for its end.
        if (window == state.button) {
            setUp(!state.up);
        } else if (const Key* key = keyOf(window)) {
            onKey(*key);
        }
        return 0;
    case WM_SETTEXT: {
        LRESULT result = DefWindowProcW(window, message, wParam, lParam);
        InvalidateRect(window, nullptr, TRUE);
        return result;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        paintKey(window);
        return 0;
    case WM_CLOSE:
        // The device's own, as the task bar is: a program that closes all
        // programs does not close it.
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

bool createKeys(HWND panel)
{
    const int rowHeight = input_panel::Height / keyboard_layout::RowCount;
    for (size_t i = 0; i < keyboard_layout::keyCount() && i < std::size(state.keyWindows); ++i) {
        const Key& key = keyboard_layout::keys()[i];
        wchar_t text[16];
        keyboard_layout::keyText(key, false, false, text, std::size(text));
        state.keyWindows[i] = CreateWindowExW(0, input_panel::KeyClass, text, WS_CHILD | WS_VISIBLE, key.left,
                                              key.row * rowHeight, key.width, rowHeight, panel,
                                              reinterpret_cast<HMENU>(KeyIdBase + i), state.instance, nullptr);
        if (!state.keyWindows[i]) return false;
    }
    return true;
}

LRESULT CALLBACK panelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == input_panel::showMessage()) {
        setUp(wParam != 0);
        return 0;
    }
    switch (message) {
    case WM_CREATE:
        return createKeys(window) ? 0 : -1;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_TIMER:
        if (wParam == DockTimer) dockButton();
        return 0;
    case TrayCallback:
        if (lParam == WM_LBUTTONDOWN) setUp(!state.up);
        return 0;
    case WM_CLOSE:
        return 0;   // as the task bar button
    case WM_DESTROY:
        removeTrayIcon();
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

bool registerClasses()
{
    WNDCLASSW keyClass{};
    keyClass.lpfnWndProc = keyProc;
    keyClass.hInstance = state.instance;
    keyClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    keyClass.lpszClassName = input_panel::KeyClass;
    WNDCLASSW panelClass{};
    panelClass.lpfnWndProc = panelProc;
    panelClass.hInstance = state.instance;
    panelClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    panelClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    panelClass.lpszClassName = input_panel::WindowClass;
    return RegisterClassW(&keyClass) && RegisterClassW(&panelClass);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    ScopedHandle single(CreateMutexW(nullptr, TRUE, SingleInstanceName));
    if (!single || GetLastError() == ERROR_ALREADY_EXISTS) return 1;

    ScopedHandle docked(CreateEventW(nullptr, TRUE, FALSE, device_services::InputPanelReadyName));
    state.docked = docked.get();
    state.instance = instance;
    if (!registerClasses()) return 1;
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    ScopedGdiObject font(CreateFontIndirectW(&metrics.lfMessageFont));
    state.font = static_cast<HFONT>(font.get());

    // Owned by a window that never shows, the panel and the button have no
    // button of their own on the task bar. Neither is ever activated.
    HWND owner = CreateWindowExW(WS_EX_TOOLWINDOW, L"Static", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                 instance, nullptr);
    constexpr DWORD Floating = WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW;
    state.panel = CreateWindowExW(Floating, input_panel::WindowClass, input_panel::WindowText,
                                  WS_POPUP | WS_CLIPCHILDREN, 0, 0, keyboard_layout::RowWidth, input_panel::Height,
                                  owner, nullptr, instance, nullptr);
    state.button = CreateWindowExW(Floating, input_panel::KeyClass, input_panel::ButtonText, WS_POPUP, 0, 0, 0, 0,
                                   owner, nullptr, instance, nullptr);
    if (!state.panel || !state.button) return 1;
    dockButton();
    SetTimer(state.panel, DockTimer, DockIntervalMs, nullptr);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    return 0;
}
