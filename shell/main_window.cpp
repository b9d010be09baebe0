#include "shell/main_window.h"
#include "platform/aygshell.h"
#include "resources/resource.h"
#include "schedule/scheduler.h"
#include "shell/app_state.h"
#include "shell/dialog_resource.h"
#include "wizard/command_wizard.h"

namespace {

// The handheld's NOTIFYICONDATA record size.
constexpr DWORD TrayRecordSize = 152;

SHACTIVATEINFO settingChangeInfo = [] {
    SHACTIVATEINFO info{};
    info.cbSize = sizeof info;
    return info;
}();

void openMainDialog()
{
    dialogOpen = 1;
    if (runMainDialog(appWindow) == MainDialogShutdownResult) shutDown();
    dialogOpen = 0;
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

void onMainNewCommand(HWND dialog)
{
    dialogOpen = 1;
    {
        CommandWizard wizard;
        wizard.runWizard(dialog, nullptr);
    }
    dialogOpen = 0;
    Scheduler scheduler;
    scheduler.ScheduleNextRun();
}

INT_PTR onMainDialogCommand(HWND dialog, WORD id)
{
    switch (id) {
    case IDC_MAIN_NEW_COMMAND:
        onMainNewCommand(dialog);
        return TRUE;
    case IDOK:
    case IDCANCEL:
        EndDialog(dialog, id);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK mainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: {
        SHINITDLGINFO init{SHIDIM_FLAGS, dialog, SHIDIF_DONEBUTTON | SHIDIF_SIPDOWN | SHIDIF_EMPTYMENU};
        SHInitDialog(&init);
        return TRUE;
    }
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        return dialogColour(wParam);
    case WM_COMMAND:
        return onMainDialogCommand(dialog, LOWORD(wParam));
    default:
        return FALSE;
    }
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
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

void addTrayIcon()
{
    trayIconData = {};
    trayIconData.cbSize = TrayRecordSize;
    trayIconData.hWnd = appWindow;
    trayIconData.uID = TrayIconId;
    trayIconData.uFlags = NIF_MESSAGE | NIF_ICON;
    trayIconData.uCallbackMessage = TrayCallbackMessage;
    trayIconData.hIcon = static_cast<HICON>(
        LoadImageW(instanceHandle, MAKEINTRESOURCEW(IDI_MORVANE), IMAGE_ICON, 11, 12, 0));
    Shell_NotifyIconW(NIM_ADD, &trayIconData);
}

void removeTrayIcon()
{
    Shell_NotifyIconW(NIM_DELETE, &trayIconData);
}

void shutDown()
{
    Scheduler scheduler;
    removeTrayIcon();
    scheduler.ClearEventRegistrations();
    scheduler.ClearTimedRegistrations();
    PostMessageW(appWindow, WM_CLOSE, 0, 0);
}

INT_PTR runMainDialog(HWND owner)
{
    return runDialogResource(IDD_MAIN, owner, mainDialogProc);
}
