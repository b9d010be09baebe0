// e2e_client.exe: the end-to-end tests' hands inside a device (run with
// `device run`, or taken by the resident e2e_agent.exe; never installed on a
// real device). Its whole command line is the verb and its arguments; a
// program path always comes last, so it may hold blanks:
//
//   at-time MINUTES PROGRAM   CeRunAppAtTime at the device clock + MINUTES
//   at-time-null PROGRAM      CeRunAppAtTime with a null time
//   at-event EVENT PROGRAM    CeRunAppAtEvent
//   shortcut FILE TARGET      SHCreateShortcut (FILE without blanks)
//   clear-registrations       remove every registration of the device
//   setting NAME VALUE        a REG_DWORD of Morvane's settings key
//   count NAME                exit code: how many processes run NAME (this one not
//                             counted)
//   close CLASS               post WM_CLOSE to the window of that class
//   wait                      stay until killed
//   ui-wait CAPTION[|ID]      wait (a minute at most) for a visible dialog of that caption
//                             (and with control ID)
//   ui-count CAPTION[|ID]     exit code: how many such dialogs are up now
//   ui-click CAPTION|ID       post BM_CLICK to control ID of that dialog (one that has ID)
//   ui-text CAPTION|ID|TEXT   set control ID's text (EN_CHANGE follows)
//   ui-checked CAPTION|ID     exit code 0 when that button is checked, 1 when not
//   tray-tap                  a tap on Morvane's tray icon; waits for its menu
//   tray-choose ITEM          choose ITEM of the tray menu (tapping first when
//                             it is not open); "Run Command N" runs the N-th
//   tray-dismiss              close the open tray menu
//   ui-close CAPTION[|ID]     the caption's close box (the Done button)
//   ui-choose CAPTION|ID|N    select entry N of a list or drop-down list, and
//                             send the notification a tap sends
//   ui-has-item CAPTION|ID|TEXT  exit code 0 when the list holds TEXT
//   ui-pick CAPTION|ID|TEXT   ui-choose the entry TEXT
//   ui-time CAPTION|ID|HH:MM  set a time picker (today's date, that time)
// The UI verbs act on the dialogs of any device process, as a user's taps do;
// captions may hold blanks, so their arguments are separated by "|".
//
//   where SPOT                writes "X Y", the screen position where a person
//                             taps SPOT, into the device's \e2e\where.txt
//                             (the client's own folder is the host's, and
//                             read-only inside the device's sandbox):
//     CAPTION|ID              the middle of control ID of that dialog
//     CAPTION|ID|row N        row N (from 1) of a list box, a tree view or the
//                             open list of a drop-down list, as shown
//     CAPTION|ID|up           the upper arrow of an up-down control
//     CAPTION|ID|close        the close box of the dialog with control ID
//     start                   the task bar's Start button
//     input panel             the task bar's button that raises and lowers
//                             the input panel
//     menu N                  the first item of the N-th open popup menu,
//                             counted from the left of the screen
//
//   keys                      writes "X Y TEXT" for each key of the input panel,
//                             once it is up, one a line, into where.txt
//   windows                   writes every visible top-level window (class,
//                             caption, whether it takes input, and the texts of
//                             its static children, a message's text) into
//                             where.txt: what a failed script was looking at
//
// Started by the device itself ("AppRunAtTime", "AppRunAfterWakeup"), it
// appends that line to client.log beside itself; after "AppRunAtTime" it
// registers itself again a day ahead, as a scheduler that fired does.
#include "tests/emulator/e2e_verbs.h"

#include "emulator/device_services.h"
#include "platform/aygshell.h"
#include "platform/device.h"
#include "platform/device_clock.h"
#include "platform/input_panel.h"
#include "platform/notification_db.h"
#include "platform/notify.h"
#include "platform/scoped.h"

#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>
#include <algorithm>
#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int Done = 0;
constexpr int Failed = 1;
constexpr int Usage = 2;
constexpr LONGLONG TicksPerMinute = 600000000LL;

// Splits off the first blank-separated word of `line`.
std::wstring nextWord(std::wstring& line)
{
    size_t blank = line.find(L' ');
    std::wstring word = line.substr(0, blank);
    line = blank == std::wstring::npos ? L"" : line.substr(blank + 1);
    return word;
}

SYSTEMTIME minutesFromNow(long minutes)
{
    LONGLONG ticks = static_cast<LONGLONG>(device_clock::now()) + minutes * TicksPerMinute;
    FILETIME ft{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME moment;
    FileTimeToSystemTime(&ft, &moment);
    moment.wMilliseconds = 0;
    return moment;
}

std::wstring ownPath()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

void logStart(const std::wstring& line)
{
    std::wstring log = ownPath();
    log = log.substr(0, log.find_last_of(L'\\') + 1) + L"client.log";
    std::string bytes(line.begin(), line.end());
    bytes += "\n";
    ScopedHandle file(CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file) WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void clearKey(const wchar_t* path)
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, path);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, path);
}

int countProcesses(const std::wstring& name)
{
    ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return -1;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry))
        if (_wcsicmp(entry.szExeFile, name.c_str()) == 0 && entry.th32ProcessID != GetCurrentProcessId()) ++count;
    return count;
}

int setSetting(std::wstring line)
{
    std::wstring name = nextWord(line);
    DWORD value = wcstoul(line.c_str(), nullptr, 10);
    ScopedKey key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, device_services::SettingsKeyPath, 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, key.out(), nullptr) != ERROR_SUCCESS)
        return Failed;
    return RegSetValueExW(key.get(), name.c_str(), 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&value), sizeof value) == ERROR_SUCCESS
               ? Done
               : Failed;
}

// Splits "a|b|c" at the first count - 1 bars.
std::wstring nextField(std::wstring& line)
{
    size_t bar = line.find(L'|');
    std::wstring field = line.substr(0, bar);
    line = bar == std::wstring::npos ? L"" : line.substr(bar + 1);
    return field;
}

struct DialogSearch {
    std::wstring caption;
    int controlId;
    HWND found;
    int count;   // every match, when counting
    bool counting;
};

BOOL CALLBACK matchDialog(HWND window, LPARAM parameter)
{
    auto& search = *reinterpret_cast<DialogSearch*>(parameter);
    wchar_t name[16] = L"", caption[128] = L"";
    GetClassNameW(window, name, 16);
    GetWindowTextW(window, caption, 128);
    if (wcscmp(name, L"#32770") == 0 && IsWindowVisible(window) && IsWindowEnabled(window) &&
        search.caption == caption && (search.controlId < 0 || GetDlgItem(window, search.controlId))) {
        search.found = window;
        ++search.count;
        return search.counting;
    }
    return TRUE;
}

// A minute, a tenth of a second at a time: a window comes as soon as it can,
// and a loaded machine may keep it a while.
constexpr int WaitAttempts = 600;

HWND waitForDialog(const std::wstring& caption, int controlId)
{
    for (int attempt = 0; attempt < WaitAttempts; ++attempt) {
        DialogSearch search{caption, controlId, nullptr, 0, false};
        EnumWindows(matchDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        Sleep(100);
    }
    return nullptr;
}

int uiVerb(const std::wstring& verb, std::wstring line)
{
    std::wstring caption = nextField(line);
    std::wstring idField = nextField(line);
    int id = idField.empty() ? -1 : static_cast<int>(wcstol(idField.c_str(), nullptr, 10));
    if (verb == L"ui-count") {
        DialogSearch search{caption, id, nullptr, 0, true};
        EnumWindows(matchDialog, reinterpret_cast<LPARAM>(&search));
        return search.count;
    }
    HWND dialog = waitForDialog(caption, id);
    if (!dialog) return Failed;
    // A dialog that just showed may not have finished its set-up yet.
    Sleep(200);
    if (verb == L"ui-wait") return Done;
    if (verb == L"ui-close") return PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0) ? Done : Failed;
    if (id < 0) return Usage;
    HWND control = GetDlgItem(dialog, id);
    if (verb == L"ui-click") return PostMessageW(control, BM_CLICK, 0, 0) ? Done : Failed;
    if (verb == L"ui-checked")
        return SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? Done : Failed;
    if (verb == L"ui-text") {
        DWORD_PTR result = 0;
        return SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(line.c_str()), SMTO_BLOCK,
                                   5000, &result) && result
                   ? Done
                   : Failed;
    }
    return Usage;
}

// ---- The tray menu of morvane.exe ---------------------------------------------
// The menu lives in another process, so its items cannot be read from here:
// its selectable items are known by position, as the user sees them.
constexpr UINT TrayCallbackMessage = 1067;
constexpr UINT TrayIconId = 1068;
const wchar_t* const trayItems[] = {L"Run Command", L"New Command", L"Open", L"Options", L"About", L"Exit"};

HWND openTrayMenu(DWORD processId)
{
    struct Search {
        DWORD process;
        HWND found;
    } search{processId, nullptr};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* s = reinterpret_cast<Search*>(parameter);
            wchar_t name[16] = L"";
            GetClassNameW(window, name, 16);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (wcscmp(name, L"#32768") == 0 && IsWindowVisible(window) && owner == s->process) s->found = window;
            return s->found ? FALSE : TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND trayMenu(bool tapFirst)
{
    HWND window = FindWindowW(L"ZELMORVANE", L"Morvane");
    if (!window) return nullptr;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (HWND open = openTrayMenu(process)) return open;
    if (!tapFirst) return nullptr;
    PostMessageW(window, TrayCallbackMessage, TrayIconId, WM_LBUTTONUP);
    for (int attempt = 0; attempt < WaitAttempts; ++attempt) {
        if (HWND open = openTrayMenu(process)) {
            Sleep(200);   // drawn before a screenshot is taken
            return open;
        }
        Sleep(100);
    }
    return nullptr;
}

int trayVerb(const std::wstring& verb, std::wstring line)
{
    HWND menu = trayMenu(verb != L"tray-dismiss");
    if (!menu) return Failed;
    auto key = [menu](WPARAM k) { PostMessageW(menu, WM_KEYDOWN, k, 0); };
    if (verb == L"tray-tap") return Done;
    if (verb == L"tray-dismiss") {
        key(VK_ESCAPE);
        return Done;
    }
    long runIndex = 0;
    if (line.rfind(L"Run Command ", 0) == 0) {
        runIndex = wcstol(line.c_str() + 12, nullptr, 10);
        if (runIndex < 1) return Usage;
        line = L"Run Command";
    }
    for (size_t i = 0; i < std::size(trayItems); ++i) {
        if (line != trayItems[i]) continue;
        for (size_t down = 0; down <= i; ++down) key(VK_DOWN);
        if (runIndex) {
            key(VK_RIGHT);   // opens the submenu on its first item
            for (long down = 1; down < runIndex; ++down) key(VK_DOWN);
        }
        key(VK_RETURN);
        return Done;
    }
    return Usage;
}

// ---- Lists and time pickers of another process ----------------------------------

int listVerb(const std::wstring& verb, std::wstring line)
{
    std::wstring caption = nextField(line);
    int id = static_cast<int>(wcstol(nextField(line).c_str(), nullptr, 10));
    HWND dialog = waitForDialog(caption, id);
    if (!dialog) return Failed;
    Sleep(200);
    HWND control = GetDlgItem(dialog, id);
    wchar_t className[32] = L"";
    GetClassNameW(control, className, 32);
    const bool combo = _wcsicmp(className, L"ComboBox") == 0;
    if (verb == L"ui-has-item")
        return SendMessageW(control, combo ? CB_FINDSTRINGEXACT : LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                            reinterpret_cast<LPARAM>(line.c_str())) >= 0
                   ? Done
                   : Failed;
    if (verb == L"ui-choose" || verb == L"ui-pick") {
        LRESULT index = verb == L"ui-choose" ? wcstol(line.c_str(), nullptr, 10)
                                             : SendMessageW(control, combo ? CB_FINDSTRINGEXACT : LB_FINDSTRINGEXACT,
                                                            static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(line.c_str()));
        if (index < 0) return Failed;
        SendMessageW(control, combo ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(index), 0);
        // Selecting by message notifies nobody: send what a tap sends.
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, combo ? CBN_SELCHANGE : LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(control));
        return Done;
    }
    if (verb == L"ui-time") {
        SYSTEMTIME time;
        ce::GetLocalTime(&time);   // a picker refuses a time without a date
        time.wHour = static_cast<WORD>(wcstol(line.c_str(), nullptr, 10));
        time.wMinute = static_cast<WORD>(wcstol(line.c_str() + line.find(L':') + 1, nullptr, 10));
        time.wSecond = time.wMilliseconds = 0;
        // The picker reads the time from its own process's memory.
        DWORD processId = 0;
        GetWindowThreadProcessId(control, &processId);
        ScopedHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, processId));
        if (!process) return Failed;
        void* remote = VirtualAllocEx(process.get(), nullptr, sizeof time, MEM_COMMIT, PAGE_READWRITE);
        if (!remote) return Failed;
        SIZE_T written = 0;
        bool set = WriteProcessMemory(process.get(), remote, &time, sizeof time, &written) &&
                   SendMessageW(control, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(remote));
        VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
        return set ? Done : Failed;
    }
    return Usage;
}

// ---- Where a person taps ------------------------------------------------------------
// The end-to-end scripts tap the device screen through its X display, as a
// person does; this finds where a control or a row stands.

bool writeWhereText(const std::string& text)
{
    CreateDirectoryW(L"C:\\e2e", nullptr);
    const std::wstring path = L"C:\\e2e\\where.txt";
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

bool writeWhere(POINT spot)
{
    return writeWhereText(std::to_string(spot.x) + " " + std::to_string(spot.y) + "\n");
}

bool middleOf(HWND window, POINT& spot)
{
    RECT r{};
    if (!window || !GetWindowRect(window, &r)) return false;
    spot = POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    return true;
}

// Row n (from 1) of a list box, a tree view or a drop-down list's open list
// (a window of its own, of the control's thread), as shown from the top.
bool rowSpot(HWND control, long row, POINT& spot)
{
    wchar_t name[32] = L"";
    GetClassNameW(control, name, 32);
    UINT heightMessage = LB_GETITEMHEIGHT;
    if (_wcsicmp(name, WC_TREEVIEWW) == 0) heightMessage = TVM_GETITEMHEIGHT;
    if (_wcsicmp(name, L"ComboBox") == 0) {
        const DWORD thread = GetWindowThreadProcessId(control, nullptr);
        control = nullptr;
        while ((control = FindWindowExW(nullptr, control, L"ComboLBox", nullptr)))
            if (IsWindowVisible(control) && GetWindowThreadProcessId(control, nullptr) == thread) break;
        if (!control) return false;
    }
    const LRESULT height = SendMessageW(control, heightMessage, 0, 0);
    // Near the left edge: a tree item is tapped on its icon.
    spot = POINT{static_cast<LONG>(height / 2 + 2), static_cast<LONG>((row - 1) * height + height / 2)};
    return height > 0 && ClientToScreen(control, &spot);
}

bool menuSpot(long level, POINT& spot)
{
    std::vector<RECT> menus;
    EnumWindows(
        [](HWND window, LPARAM found) -> BOOL {
            wchar_t name[16] = L"";
            GetClassNameW(window, name, 16);
            RECT r{};
            if (wcscmp(name, L"#32768") == 0 && IsWindowVisible(window) && GetWindowRect(window, &r))
                reinterpret_cast<std::vector<RECT>*>(found)->push_back(r);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&menus));
    std::sort(menus.begin(), menus.end(), [](const RECT& a, const RECT& b) { return a.left < b.left; });
    if (level < 1 || static_cast<size_t>(level) > menus.size()) return false;
    const RECT& menu = menus[static_cast<size_t>(level) - 1];
    spot = POINT{menu.left + (menu.right - menu.left) / 3, menu.top + GetSystemMetrics(SM_CYMENU) / 2 + 2};
    return true;
}

// Retried for a while: a menu or an open list shows a moment after its tap.
bool findSpot(std::wstring line, POINT& spot)
{
    if (line == L"start") {   // the task bar's first button, which draws "Start" itself
        HWND bar = FindWindowW(L"Shell_TrayWnd", nullptr);
        return bar && middleOf(FindWindowExW(bar, nullptr, L"Button", nullptr), spot);
    }
    if (line == L"input panel") return middleOf(FindWindowW(input_panel::KeyClass, input_panel::ButtonText), spot);
    if (line.rfind(L"menu ", 0) == 0) return menuSpot(wcstol(line.c_str() + 5, nullptr, 10), spot);
    const std::wstring caption = nextField(line);
    const int id = static_cast<int>(wcstol(nextField(line).c_str(), nullptr, 10));
    HWND dialog = waitForDialog(caption, id);
    HWND control = dialog ? GetDlgItem(dialog, id) : nullptr;
    RECT r{};
    if (!control || !GetWindowRect(control, &r)) return false;
    if (line == L"close") {
        GetWindowRect(dialog, &r);
        const int box = GetSystemMetrics(SM_CYCAPTION);
        spot = POINT{r.right - GetSystemMetrics(SM_CXFIXEDFRAME) - box / 2, r.top + GetSystemMetrics(SM_CYFIXEDFRAME) + box / 2};
        return true;
    }
    if (line.rfind(L"row ", 0) == 0) return rowSpot(control, wcstol(line.c_str() + 4, nullptr, 10), spot);
    spot = POINT{(r.left + r.right) / 2, line == L"up" ? r.top + (r.bottom - r.top) / 4 : (r.top + r.bottom) / 2};
    return true;
}

int whereVerb(const std::wstring& line)
{
    POINT spot{};
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (findSpot(line, spot)) {
            Sleep(200);   // laid out and drawn
            return writeWhere(spot) ? Done : Failed;
        }
        Sleep(100);
    }
    return Failed;
}

// The keys of the input panel as they are now, in UTF-8.
int keysVerb()
{
    for (int attempt = 0; attempt < WaitAttempts && !input_panel::isUp(nullptr); ++attempt) Sleep(100);
    if (input_panel::isUp(nullptr)) {
        Sleep(200);   // laid out and drawn
        std::string lines;
        for (HWND key = GetWindow(input_panel::find(), GW_CHILD); key; key = GetWindow(key, GW_HWNDNEXT)) {
            POINT spot{};
            wchar_t text[32] = L"";
            GetWindowTextW(key, text, static_cast<int>(std::size(text)));
            char utf8[128] = "";
            WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, static_cast<int>(sizeof utf8), nullptr, nullptr);
            if (middleOf(key, spot)) lines += std::to_string(spot.x) + " " + std::to_string(spot.y) + " " + utf8 + "\n";
        }
        return writeWhereText(lines) ? Done : Failed;
    }
    return Failed;
}

std::string utf8Of(const wchar_t* text)
{
    char utf8[512] = "";
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, static_cast<int>(sizeof utf8), nullptr, nullptr);
    return utf8;
}

int windowsVerb()
{
    std::string lines;
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            if (!IsWindowVisible(window)) return TRUE;
            auto& out = *reinterpret_cast<std::string*>(parameter);
            wchar_t name[64] = L"", caption[128] = L"";
            GetClassNameW(window, name, static_cast<int>(std::size(name)));
            GetWindowTextW(window, caption, static_cast<int>(std::size(caption)));
            out += utf8Of(name) + " \"" + utf8Of(caption) + "\"" + (IsWindowEnabled(window) ? "" : " (disabled)");
            for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
                wchar_t childClass[16] = L"", text[256] = L"";
                GetClassNameW(child, childClass, static_cast<int>(std::size(childClass)));
                if (_wcsicmp(childClass, L"Static") != 0 || !IsWindowVisible(child)) continue;
                GetWindowTextW(child, text, static_cast<int>(std::size(text)));
                if (text[0]) out += " | " + utf8Of(text);
            }
            out += "\n";
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&lines));
    return writeWhereText(lines) ? Done : Failed;
}

} // namespace

int e2e_client::run(std::wstring line)
{
    if (line == device_services::TimedArgument) {
        logStart(line);
        SYSTEMTIME tomorrow = minutesFromNow(24 * 60);
        return CeRunAppAtTime(ownPath().c_str(), &tomorrow) ? Done : Failed;
    }
    if (line == device_services::WakeupArgument) {
        logStart(line);
        return Done;
    }

    std::wstring verb = nextWord(line);
    if (verb == L"at-time") {
        long minutes = wcstol(nextWord(line).c_str(), nullptr, 10);
        SYSTEMTIME moment = minutesFromNow(minutes);
        return CeRunAppAtTime(line.c_str(), &moment) ? Done : Failed;
    }
    if (verb == L"at-time-null") return CeRunAppAtTime(line.c_str(), nullptr) ? Done : Failed;
    if (verb == L"at-event") {
        LONG event = wcstol(nextWord(line).c_str(), nullptr, 10);
        return CeRunAppAtEvent(line.c_str(), event) ? Done : Failed;
    }
    if (verb == L"shortcut") {
        std::wstring file = nextWord(line);
        DeleteFileW(file.c_str());
        return SHCreateShortcut(file.c_str(), line.c_str()) ? Done : Failed;
    }
    if (verb == L"clear-registrations") {
        clearKey(notification_db::EventsSubkey);
        clearKey(notification_db::TimedSubkey);
        notification_db::signalChange();
        return Done;
    }
    if (verb == L"setting") return setSetting(line);
    if (verb == L"count") return countProcesses(line);
    if (verb == L"close") {
        HWND window = FindWindowW(line.c_str(), nullptr);
        return window && PostMessageW(window, WM_CLOSE, 0, 0) ? Done : Failed;
    }
    if (verb == L"ui-wait" || verb == L"ui-close" || verb == L"ui-click" || verb == L"ui-text" || verb == L"ui-checked" ||
        verb == L"ui-count")
        return uiVerb(verb, line);
    if (verb == L"ui-choose" || verb == L"ui-pick" || verb == L"ui-has-item" || verb == L"ui-time")
        return listVerb(verb, line);
    if (verb == L"tray-tap" || verb == L"tray-choose" || verb == L"tray-dismiss") return trayVerb(verb, line);
    if (verb == L"where") return whereVerb(line);
    if (verb == L"keys") return keysVerb();
    if (verb == L"windows") return windowsVerb();
    if (verb == L"wait") {
        Sleep(INFINITE);
        return Done;
    }
    return Usage;
}
