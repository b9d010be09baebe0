#include "shell/main_window.h"
#include "commands/command_file.h"
#include "commands/command_runner.h"
#include "platform/aygshell.h"
#include "platform/scoped.h"
#include "resources/resource.h"
#include "schedule/scheduler.h"
#include "shell/about_box.h"
#include "shell/app_state.h"
#include "shell/dialog_resource.h"
#include "shell/main_dialog.h"
#include "shell/options_dialog.h"
#include "shell/settings_store.h"
#include "wizard/command_wizard.h"

#include <iterator>

namespace {

// The handheld's NOTIFYICONDATA record size.
constexpr DWORD TrayRecordSize = 152;
// The tray menu opens this far above the bottom edge of the screen, clear of
// the task bar.
constexpr int TrayMenuLift = 52;

SHACTIVATEINFO settingChangeInfo = [] {
    SHACTIVATEINFO info{};
    info.cbSize = sizeof info;
    return info;
}();

// Loaded at the first addTrayIcon and kept as long as the process, as the
// dialog brush is: the tray may be switched on and off any number of times.
HICON trayIcon = nullptr;

void scheduleNextRun()
{
    Scheduler scheduler;
    scheduler.ScheduleNextRun();
}

// One main dialog at a time: a start while a dialog of the program is up
// (the message is dispatched by that dialog's own loop) brings that dialog
// forward instead of stacking another main dialog on it.
void bringDialogForward()
{
    if (HWND front = frontDialog()) SetForegroundWindow(front);
}

// Every dialog keeps dialogOpen set while it is up (runDialogResource).
void openMainDialog()
{
    if (dialogOpen) {
        bringDialogForward();
        return;
    }
    if (runMainDialog(appWindow) == MainDialogShutdownResult) shutDown();
}

void onCloseCommand(HWND window)
{
    SendMessageW(window, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(window));
    SendMessageW(window, WM_CLOSE, 0, 0);
}

LRESULT onCommand(HWND window, WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(wParam)) {
    case IDOK:
    case IDCANCEL:
        onCloseCommand(window);
        return 0;
    case IDM_ABOUT:
        runAboutBox(appWindow);
        return 0;
    default:
        return DefWindowProcW(window, WM_COMMAND, wParam, lParam);
    }
}

LRESULT onPaint(HWND window)
{
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    EndPaint(window, &paint);
    return 0;
}

// The menu was filled by position, and an event instance may have changed the
// file since: the command at position n runs only while it still has the
// chosen name; otherwise the first command of that name runs, or none.
void runChosenCommand(DWORD position, const wchar_t* chosenName)
{
    CommandFile file;
    Command command;
    bool found = true;
    for (DWORD i = 0; found && i <= position; ++i) found = file.readNextCommand(i, command) != 0;
    if (found) file.readNextCommand(EndEnumeration, command);
    const bool sameName =
        found && CompareStringOrdinal(command.commandName, -1, chosenName, -1, TRUE) == CSTR_EQUAL;
    if (!sameName) {
        Command byName;
        if (!file.findCommand(chosenName, byName)) return;
        command = byName;
    }
    CommandRunner runner;
    runner.executeCommand(command);
}

void onTrayNewCommand()
{
    {
        CommandWizard wizard;
        wizard.runWizard(nullptr, nullptr);
    }
    scheduleNextRun();
}

void onTrayOpen()
{
    DialogOpenScope open;
    if (runMainDialog(appWindow) == MainDialogShutdownResult) shutDown();
    scheduleNextRun();
}

void onTrayOptions()
{
    runOptionsDialog(appWindow);
    SettingsStore settings;
    if (settings.getDword(L"EnableTrayIcon"))
        addTrayIcon();
    else
        removeTrayIcon();
}

void onTrayChoice(UINT id, HMENU runCommandMenu)
{
    switch (id) {
    case IDM_TRAY_NEW_COMMAND:
        onTrayNewCommand();
        return;
    case IDM_TRAY_OPEN:
        onTrayOpen();
        return;
    case IDM_TRAY_OPTIONS:
        onTrayOptions();
        return;
    case IDM_TRAY_ABOUT:
        runAboutBox(appWindow);
        return;
    case IDM_TRAY_EXIT:
        if (confirmShutdown(appWindow)) shutDown();
        return;
    default:
        break;
    }
    if (id < RunCommandIdBase) return;
    wchar_t chosenName[PathCapacity];
    if (GetMenuStringW(runCommandMenu, id, chosenName, static_cast<int>(std::size(chosenName)), MF_BYCOMMAND) > 0)
        runChosenCommand(id - RunCommandIdBase, chosenName);
}

void onTrayTap()
{
    HDC screen = GetDC(nullptr);
    const int width = GetDeviceCaps(screen, HORZRES);
    const int height = GetDeviceCaps(screen, VERTRES);
    ReleaseDC(nullptr, screen);

    // Destroyed on every way out, also when a dialog is up and no menu shows.
    ScopedMenu menu(LoadMenuW(instanceHandle, MAKEINTRESOURCEW(IDR_TRAY_MENU)));
    if (!menu) return;
    HMENU popup = GetSubMenu(menu.get(), 0);
    HMENU runCommandMenu = GetSubMenu(popup, 0);
    DeleteMenu(runCommandMenu, 0, MF_BYPOSITION);
    fillRunCommandMenu(runCommandMenu);

    // While a dialog is up no menu shows: the tap brings that dialog forward,
    // where taking the foreground for a hidden window would leave no window
    // to take the keys.
    if (dialogOpen) {
        bringDialogForward();
        return;
    }
    SetForegroundWindow(appWindow);

    const UINT chosen = static_cast<UINT>(
        TrackPopupMenuEx(popup, TPM_RETURNCMD, width, height - TrayMenuLift, appWindow, nullptr));
    onTrayChoice(chosen, runCommandMenu);
    // The platform's rule after a tray icon's popup menu.
    PostMessageW(appWindow, WM_NULL, 0, 0);
}

LRESULT onTrayCallback(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (lParam == WM_LBUTTONUP) onTrayTap();
    return DefWindowProcW(window, TrayCallbackMessage, wParam, lParam);
}

} // namespace

LRESULT CALLBACK appWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
        return onPaint(window);
    case WM_SETTINGCHANGE:
        SHHandleWMSettingChange(window, wParam, lParam, &settingChangeInfo);
        return 0;
    case WM_COMMAND:
        return onCommand(window, wParam, lParam);
    case OpenMainDialogMessage:
        openMainDialog();
        return 0;
    case TrayCallbackMessage:
        return onTrayCallback(window, wParam, lParam);
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

void addTrayIcon()
{
    if (!trayIcon)
        trayIcon = static_cast<HICON>(
            LoadImageW(instanceHandle, MAKEINTRESOURCEW(IDI_MORVANE), IMAGE_ICON, 11, 12, 0));
    trayIconData = {};
    trayIconData.cbSize = TrayRecordSize;
    trayIconData.hWnd = appWindow;
    trayIconData.uID = TrayIconId;
    trayIconData.uFlags = NIF_MESSAGE | NIF_ICON;
    trayIconData.uCallbackMessage = TrayCallbackMessage;
    trayIconData.hIcon = trayIcon;
    Shell_NotifyIconW(NIM_ADD, &trayIconData);
}

void removeTrayIcon()
{
    Shell_NotifyIconW(NIM_DELETE, &trayIconData);
}

void fillRunCommandMenu(HMENU menu)
{
    CommandFile file;
    Command command;
    for (DWORD n = 0; file.readNextCommand(n, command); ++n)
        InsertMenuW(menu, static_cast<UINT>(-1), MF_BYPOSITION | MF_STRING, RunCommandIdBase + n,
                    command.commandName);
}

void shutDown()
{
    Scheduler scheduler;
    removeTrayIcon();
    scheduler.ClearEventRegistrations();
    scheduler.ClearTimedRegistrations();
    PostMessageW(appWindow, WM_CLOSE, 0, 0);
}
