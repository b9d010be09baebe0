#include "shell/main_dialog.h"
#include "platform/aygshell.h"
#include "platform/device.h"
#include "platform/modal.h"
#include "resources/resource.h"
#include "schedule/scheduler.h"
#include "shell/app_state.h"
#include "shell/command_list_dialog.h"
#include "shell/dialog_keys.h"
#include "shell/dialog_resource.h"
#include "shell/main_window.h"
#include "shell/options_dialog.h"
#include "shell/settings_store.h"
#include "shell/statistics_dialog.h"
#include "wizard/command_wizard.h"

namespace {

DWORD trayIconSetting()
{
    SettingsStore settings;
    return settings.getDword(L"EnableTrayIcon");
}

// Each dialog keeps dialogOpen set while it is up (runDialogResource).
void onNewCommand(HWND dialog)
{
    {
        CommandWizard wizard;
        wizard.runWizard(dialog, nullptr);
    }
    Scheduler scheduler;
    scheduler.ScheduleNextRun();
}

void onViewCommands(HWND dialog)
{
    CommandListDialog list;
    list.run(dialog);
}

// The icon follows the box at once, and only when the setting changed.
void onOptions(HWND dialog)
{
    const DWORD before = trayIconSetting();
    runOptionsDialog(dialog);
    const DWORD after = trayIconSetting();
    if (before && !after) removeTrayIcon();
    if (!before && after) addTrayIcon();
}

void onStatistics(HWND dialog)
{
    OutputDebugStringW(L"Launching Dialog Box\r\n");
    runStatisticsDialog(dialog);
    OutputDebugStringW(L"Dlg Box end\r\n");
}

// The help viewer finds a bare file name in \Windows; a failed start shows nothing.
void onManual()
{
    wchar_t target[] = L"mvguide.htm#Main_Contents";
    ce::CreateProcessW(L"PegHelp.exe", target, nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr,
                       nullptr);
}

INT_PTR onCommand(HWND dialog, WORD id)
{
    switch (id) {
    case IDOK:
    case IDCANCEL:
        EndDialog(dialog, id);
        return TRUE;
    case IDC_MAIN_NEW_COMMAND:
        onNewCommand(dialog);
        return TRUE;
    case IDC_MAIN_VIEW_COMMANDS:
        onViewCommands(dialog);
        return TRUE;
    case IDC_MAIN_OPTIONS:
        onOptions(dialog);
        return TRUE;
    case IDC_MAIN_STATISTICS:
        onStatistics(dialog);
        return TRUE;
    case IDC_MAIN_MANUAL:
        onManual();
        return TRUE;
    case IDC_MAIN_SHUTDOWN:
        if (confirmShutdown(dialog)) EndDialog(dialog, MainDialogShutdownResult);
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
        return focusFirstControl(dialog, IDOK);
    }
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        return dialogColour(wParam);
    case WM_COMMAND:
        return onCommand(dialog, LOWORD(wParam));
    default:
        return FALSE;
    }
}

} // namespace

bool confirmShutdown(HWND owner)
{
    DialogOpenScope open;
    return ce::MessageBoxW(owner, L"No commands will run if you shutdown.  Do you want to continue?", L"Morvane",
                       MB_YESNO | MB_ICONQUESTION) == IDYES;
}

INT_PTR runMainDialog(HWND owner)
{
    return runDialogResource(IDD_MAIN, owner, mainDialogProc);
}
