// footprint_driver.exe: the hands of bench/footprint.sh inside the device. It
// works the resident Morvane's dialogs as a user's taps do, from outside the
// process, and ends with exit code 0 when every step was seen through (else
// 1, with the step in footprint.log beside it):
//
//   message-command    create "0 Footprint message", which shows a message
//   commands N FIRST   create N commands "Footprint FIRST" ... through the main
//                      dialog's "New Command" (close all programs, at power-on)
//   tour               open and close every dialog: the main dialog, the
//                      command list (every filter, and "Run" on a message
//                      command, whose window it closes), Options, Statistics,
//                      the wizard through every action and schedule page and
//                      both browsers (cancelled at its last page), About, and
//                      the tray menu
//
// Each step waits for the dialog it leads to; no step depends on timing.
#include "resources/resource.h"

#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace {

constexpr UINT OpenMainDialogMessage = 1124;
constexpr UINT TrayCallbackMessage = 1067;
constexpr UINT TrayIconId = 1068;
constexpr DWORD StepTimeout = 30000;

DWORD morvaneProcess;
HWND appWindow;

struct Search {
    int controlId;
    HWND found;
};

// The innermost dialog of Morvane that has the control: visible and enabled,
// so a page under a nested dialog is not taken for the one on top.
BOOL CALLBACK matchDialog(HWND window, LPARAM parameter)
{
    auto& search = *reinterpret_cast<Search*>(parameter);
    wchar_t name[16] = L"";
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    GetClassNameW(window, name, 16);
    if (process == morvaneProcess && wcscmp(name, L"#32770") == 0 && IsWindowVisible(window) &&
        IsWindowEnabled(window) && GetDlgItem(window, search.controlId)) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

HWND findDialog(int controlId)
{
    Search search{controlId, nullptr};
    EnumWindows(matchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The device gives its programs no output: what went wrong goes to
// footprint.log beside the driver, and the exit code is 1.
[[noreturn]] void fail(const char* what, int controlId)
{
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    while (length > 0 && path[length - 1] != L'\\') --length;
    path[length] = L'\0';
    if (length + 16 < MAX_PATH) wcscat(path, L"footprint.log");
    char line[160];
    int size = snprintf(line, sizeof line, "%s (control %d)\r\n", what, controlId);
    HANDLE log = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    DWORD written = 0;
    if (log != INVALID_HANDLE_VALUE) {
        WriteFile(log, line, static_cast<DWORD>(size), &written, nullptr);
        CloseHandle(log);
    }
    ExitProcess(1);
}

HWND waitFor(int controlId)
{
    for (DWORD waited = 0; waited < StepTimeout; waited += 20) {
        if (HWND dialog = findDialog(controlId)) {
            Sleep(30);   // the rest of its set-up, posted from WM_INITDIALOG
            return dialog;
        }
        Sleep(20);
    }
    fail("no dialog came up with", controlId);
}

void waitGone(HWND dialog)
{
    for (DWORD waited = 0; waited < StepTimeout; waited += 20) {
        if (!IsWindow(dialog)) return;
        Sleep(20);
    }
    fail("a dialog did not close", 0);
}

// A tap on control `id` of the dialog that has `shown`; waits for the dialog
// with `next` to be the one on top.
HWND click(int shown, int id, int next)
{
    HWND dialog = waitFor(shown);
    PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
    return next ? waitFor(next) : nullptr;
}

// The close box of the dialog that has `shown`.
void closeDialog(int shown)
{
    HWND dialog = waitFor(shown);
    PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    waitGone(dialog);
}

void setText(int id, const wchar_t* text)
{
    HWND dialog = waitFor(id);
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text),
                             SMTO_BLOCK, StepTimeout, &result))
        fail("text not taken", id);
}

// A choice in a list or drop-down list, with the notification a tap sends.
void choose(int id, int index, bool combo)
{
    HWND dialog = waitFor(id);
    HWND control = GetDlgItem(dialog, id);
    SendMessageW(control, combo ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, combo ? CBN_SELCHANGE : LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(control));
}

HWND openMainDialog()
{
    PostMessageW(appWindow, OpenMainDialogMessage, 0, 0);
    return waitFor(IDC_MAIN_NEW_COMMAND);
}

// From the main dialog: one command through the wizard's shortest path, or
// a message command (for the message window of the tour).
void createCommand(const wchar_t* name, bool message)
{
    click(IDC_MAIN_NEW_COMMAND, IDC_MAIN_NEW_COMMAND, IDC_ACTION_LAUNCH_PROGRAM);
    if (message) {
        click(IDC_ACTION_LAUNCH_PROGRAM, IDC_ACTION_SHOW_MESSAGE, 0);
        click(IDC_ACTION_LAUNCH_PROGRAM, IDC_WIZARD_NEXT, IDC_MESSAGE_TEXT_EDIT);
        setText(IDC_MESSAGE_TEXT_EDIT, L"Shown by the footprint benchmark");
        click(IDC_MESSAGE_TEXT_EDIT, IDC_WIZARD_NEXT, IDC_TRIGGER_AFTER_POWER_ON);
    } else {
        click(IDC_ACTION_LAUNCH_PROGRAM, IDC_ACTION_CLOSE_ALL, 0);
        click(IDC_ACTION_LAUNCH_PROGRAM, IDC_WIZARD_NEXT, IDC_TRIGGER_AFTER_POWER_ON);
    }
    click(IDC_TRIGGER_AFTER_POWER_ON, IDC_WIZARD_NEXT, IDC_NAME_EDIT);
    setText(IDC_NAME_EDIT, name);
    click(IDC_NAME_EDIT, IDC_WIZARD_NEXT, IDC_WIZARD_FINISH);
    HWND finished = click(IDC_WIZARD_FINISH, IDC_WIZARD_FINISH, 0);
    waitGone(finished);
    waitFor(IDC_MAIN_NEW_COMMAND);
}

void createCommands(int count, int first)
{
    openMainDialog();
    for (int i = first; i < first + count; ++i) {
        wchar_t name[64];
        swprintf(name, 64, L"Footprint %03d", i);
        createCommand(name, false);
    }
    closeDialog(IDC_MAIN_NEW_COMMAND);
}

// Step 1 to an action's detail page (which has `detail`), its browser when it
// has one, and back.
void visitActionPage(int action, int detail, bool browser)
{
    click(IDC_ACTION_LAUNCH_PROGRAM, action, 0);
    click(IDC_ACTION_LAUNCH_PROGRAM, IDC_WIZARD_NEXT, detail);
    if (browser) {
        click(detail, IDC_PROGRAM_BROWSE, IDC_BROWSER_TREE);
        click(IDC_BROWSER_TREE, IDCANCEL, detail);
    }
    click(detail, IDC_WIZARD_BACK, IDC_ACTION_LAUNCH_PROGRAM);
}

void visitRecurrencePage(int recurrence, int page)
{
    click(IDC_RECUR_DAILY, recurrence, 0);
    click(IDC_RECUR_DAILY, IDC_WIZARD_NEXT, page);
    click(page, IDC_WIZARD_BACK, IDC_RECUR_DAILY);
}

void wizardTour()
{
    click(IDC_MAIN_NEW_COMMAND, IDC_MAIN_NEW_COMMAND, IDC_ACTION_LAUNCH_PROGRAM);
    visitActionPage(IDC_ACTION_LAUNCH_PROGRAM, IDC_PROGRAM_PATH, true);
    visitActionPage(IDC_ACTION_CLEAN_FOLDER, IDC_FOLDER_PATH, true);
    visitActionPage(IDC_ACTION_SHOW_MESSAGE, IDC_MESSAGE_TEXT_EDIT, false);
    visitActionPage(IDC_ACTION_PLAY_SOUND, IDC_SOUND_TREE, false);
    click(IDC_ACTION_LAUNCH_PROGRAM, IDC_ACTION_CLOSE_ALL, 0);
    click(IDC_ACTION_LAUNCH_PROGRAM, IDC_WIZARD_NEXT, IDC_TRIGGER_AFTER_POWER_ON);
    click(IDC_TRIGGER_AFTER_POWER_ON, IDC_TRIGGER_ON_SCHEDULE, 0);
    click(IDC_TRIGGER_AFTER_POWER_ON, IDC_WIZARD_NEXT, IDC_RECUR_DAILY);
    visitRecurrencePage(IDC_RECUR_WEEKLY, IDC_WEEKLY_SUNDAY);
    visitRecurrencePage(IDC_RECUR_MONTHLY, IDC_MONTHLY_BY_DAY);
    visitRecurrencePage(IDC_RECUR_YEARLY, IDC_YEARLY_BY_DATE);
    visitRecurrencePage(IDC_RECUR_ONCE, IDC_ONCE_CALENDAR);
    click(IDC_RECUR_DAILY, IDC_RECUR_DAILY, 0);
    click(IDC_RECUR_DAILY, IDC_WIZARD_NEXT, IDC_NAME_EDIT);
    setText(IDC_NAME_EDIT, L"Footprint tour");
    click(IDC_NAME_EDIT, IDC_WIZARD_NEXT, IDC_WIZARD_FINISH);
    HWND finished = click(IDC_WIZARD_FINISH, IDCANCEL, 0);
    waitGone(finished);
}

void tour()
{
    openMainDialog();

    // The command list under every filter; "Run" on the message command,
    // which sorts first, and its window closed.
    click(IDC_MAIN_NEW_COMMAND, IDC_MAIN_VIEW_COMMANDS, IDC_LIST_NAMES);
    for (int filter = 3; filter >= 0; --filter) choose(IDC_LIST_FILTER, filter, true);
    choose(IDC_LIST_NAMES, 0, false);
    click(IDC_LIST_NAMES, IDC_LIST_RUN, IDC_MESSAGE_WINDOW_TEXT);
    closeDialog(IDC_MESSAGE_WINDOW_TEXT);
    closeDialog(IDC_LIST_NAMES);

    click(IDC_MAIN_NEW_COMMAND, IDC_MAIN_OPTIONS, IDC_OPTIONS_TRAY_ICON);
    closeDialog(IDC_OPTIONS_TRAY_ICON);
    click(IDC_MAIN_NEW_COMMAND, IDC_MAIN_STATISTICS, IDC_STATS_CLEAR);
    closeDialog(IDC_STATS_CLEAR);
    wizardTour();
    closeDialog(IDC_MAIN_NEW_COMMAND);

    PostMessageW(appWindow, WM_COMMAND, IDM_ABOUT, 0);
    closeDialog(IDC_ABOUT_NAME);

    // The tray menu, with its list of every command to run, and away again.
    PostMessageW(appWindow, TrayCallbackMessage, TrayIconId, WM_LBUTTONUP);
    for (DWORD waited = 0;; waited += 20) {
        HWND menu = FindWindowW(L"#32768", nullptr);
        DWORD process = 0;
        if (menu) GetWindowThreadProcessId(menu, &process);
        if (menu && process == morvaneProcess && IsWindowVisible(menu)) {
            PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
            break;
        }
        if (waited > StepTimeout) fail("the tray menu did not open", 0);
        Sleep(20);
    }
    for (DWORD waited = 0; FindWindowW(L"#32768", nullptr); waited += 20) {
        if (waited > StepTimeout) fail("the tray menu did not close", 0);
        Sleep(20);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    const int argc = __argc;
    wchar_t** const argv = __wargv;
    appWindow = FindWindowW(L"ZELMORVANE", L"Morvane");
    if (!appWindow || argc < 2) return 2;
    GetWindowThreadProcessId(appWindow, &morvaneProcess);
    if (wcscmp(argv[1], L"commands") == 0 && argc == 4) {
        createCommands(_wtoi(argv[2]), _wtoi(argv[3]));
        return 0;
    }
    if (wcscmp(argv[1], L"message-command") == 0) {
        openMainDialog();
        createCommand(L"0 Footprint message", true);
        closeDialog(IDC_MAIN_NEW_COMMAND);
        return 0;
    }
    if (wcscmp(argv[1], L"tour") == 0) {
        tour();
        return 0;
    }
    return 2;
}
