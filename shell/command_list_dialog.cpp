#include "shell/command_list_dialog.h"
#include "commands/command_file.h"
#include "commands/command_runner.h"
#include "platform/aygshell.h"
#include "resources/resource.h"
#include "schedule/scheduler.h"
#include "shell/app_state.h"
#include "shell/dialog_keys.h"
#include "shell/dialog_resource.h"
#include "wizard/command_wizard.h"

#include <iterator>

namespace {

// The filter's entries by position, and the trigger each one shows.
const TriggerKind filterTriggers[] = {
    TriggerKind::AfterPowerOn,        // "Device power on"
    TriggerKind::FirstPowerOnOfDay,   // "Once a day"
    TriggerKind::AfterReset,          // "Device reset"
    TriggerKind::OnSchedule,          // "On a certain day"
};

void addNamesOf(HWND list, TriggerKind trigger)
{
    Command command;
    for (DWORD i = 0; sharedCommandFile.readNextCommand(i, command); ++i)
        if (command.triggerKind == trigger)
            SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(command.commandName));
}

// The selected name into name[PathCapacity]; false when nothing is selected
// or the entry would not fit.
bool selectedName(HWND dialog, wchar_t (&name)[PathCapacity])
{
    HWND list = GetDlgItem(dialog, IDC_LIST_NAMES);
    LRESULT selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR) return false;
    LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(selected), 0);
    if (length == LB_ERR || static_cast<size_t>(length) >= std::size(name)) return false;
    return SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(name)) !=
           LB_ERR;
}

void scheduleNextRun()
{
    Scheduler scheduler;
    scheduler.ScheduleNextRun();
}

void createMenuBar(HWND dialog)
{
    SHMENUBARINFO bar{};
    bar.cbSize = SHMENUBARINFO_RECORD_SIZE;
    bar.hwndParent = dialog;
    bar.nToolBarId = IDR_MENUBAR;
    bar.hInstRes = instanceHandle;
    SHCreateMenuBar(&bar);
}

INT_PTR onInitDialog(HWND dialog)
{
    createMenuBar(dialog);
    SHINITDLGINFO init{SHIDIM_FLAGS, dialog, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLG | SHIDIF_SIPDOWN};
    SHInitDialog(&init);

    HWND filter = GetDlgItem(dialog, IDC_LIST_FILTER);
    for (const wchar_t* text : {L"On a certain day", L"Device reset", L"Once a day", L"Device power on"})
        SendMessageW(filter, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(text));
    SendMessageW(filter, CB_SETCURSEL, 0, 0);

    HWND list = GetDlgItem(dialog, IDC_LIST_NAMES);
    addNamesOf(list, TriggerKind::AfterPowerOn);
    // The buttons keep their enabled state here, also over an empty list.
    SendMessageW(list, LB_SETCURSEL, 0, 0);
    return focusFirstControl(dialog, IDOK);
}

void onNew(HWND dialog)
{
    CommandWizard wizard;
    wizard.runWizard(dialog, nullptr);
    CommandListDialog::fillCommandList(dialog);
    scheduleNextRun();
}

void onRun(HWND dialog)
{
    wchar_t name[PathCapacity];
    if (!selectedName(dialog, name)) return;
    CommandRunner runner;
    Command command;
    if (sharedCommandFile.findCommand(name, command)) runner.executeCommand(command);
}

// An edit or a delete that was not stored (cancelled, or refused with a
// message) leaves the list and its selection as they were.
void onEdit(HWND dialog)
{
    CommandWizard wizard;
    Command command;
    wchar_t name[PathCapacity];
    if (!selectedName(dialog, name) || !sharedCommandFile.findCommand(name, command)) return;
    if (wizard.runWizard(dialog, &command)) CommandListDialog::fillCommandList(dialog);
    scheduleNextRun();
}

void onDelete(HWND dialog)
{
    wchar_t name[PathCapacity];
    if (!selectedName(dialog, name)) return;
    if (sharedCommandFile.deleteCommand(name)) CommandListDialog::fillCommandList(dialog);
    scheduleNextRun();
}

INT_PTR onCommand(HWND dialog, WORD id, WORD notification)
{
    switch (id) {
    case 0:
        return FALSE;
    case IDOK:
    case IDCANCEL:
        EndDialog(dialog, IDOK);
        return TRUE;
    case IDC_LIST_FILTER:
        if (notification == CBN_SELCHANGE) CommandListDialog::fillCommandList(dialog);
        return TRUE;
    case IDC_LIST_NEW:
        onNew(dialog);
        return TRUE;
    case IDC_LIST_RUN:
        onRun(dialog);
        return TRUE;
    case IDC_LIST_EDIT:
        onEdit(dialog);
        return TRUE;
    case IDC_LIST_DELETE:
        onDelete(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK commandListProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return onInitDialog(dialog);
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        return dialogColour(wParam);
    case WM_COMMAND:
        return onCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    default:
        return FALSE;
    }
}

} // namespace

void CommandListDialog::run(HWND window)
{
    window_ = window;
    runDialogResource(IDD_COMMAND_LIST, nullptr, commandListProc);
}

void CommandListDialog::fillCommandList(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_LIST_NAMES);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    LRESULT filter = SendDlgItemMessageW(dialog, IDC_LIST_FILTER, CB_GETCURSEL, 0, 0);
    if (filter >= 0 && static_cast<size_t>(filter) < std::size(filterTriggers))
        addNamesOf(list, filterTriggers[filter]);

    const BOOL any = SendMessageW(list, LB_SETCURSEL, 0, 0) != LB_ERR;
    HWND focus = GetFocus();
    for (int id : {IDC_LIST_RUN, IDC_LIST_EDIT, IDC_LIST_DELETE}) EnableWindow(GetDlgItem(dialog, id), any);
    // "Delete" of the last name disables the button that had the focus.
    keepFocusVisible(dialog, focus);
}
