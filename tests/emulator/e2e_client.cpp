// e2e_client.exe: the end-to-end tests' hands inside a device (run with
// `device run`; never installed on a real device). Its whole command line is
// the verb and its arguments; a program path always comes last, so it may
// hold blanks:
//
//   at-time MINUTES PROGRAM   CeRunAppAtTime at the device clock + MINUTES
//   at-time-null PROGRAM      CeRunAppAtTime with a null time
//   at-event EVENT PROGRAM    CeRunAppAtEvent
//   shortcut FILE TARGET      SHCreateShortcut (FILE without blanks)
//   clear-registrations       remove every registration of the device
//   setting NAME VALUE        a REG_DWORD of Morvane's settings key
//   count NAME                exit code: how many processes run NAME
//   close CLASS               post WM_CLOSE to the window of that class
//   wait                      stay until killed
//   ui-wait CAPTION[|ID]      wait (10 s at most) for a visible dialog of that caption
//                             (and with control ID)
//   ui-click CAPTION|ID       post BM_CLICK to control ID of that dialog (one that has ID)
//   ui-text CAPTION|ID|TEXT   set control ID's text (EN_CHANGE follows)
//   ui-checked CAPTION|ID     exit code 0 when that button is checked, 1 when not
// The UI verbs act on the dialogs of any device process, as a user's taps do;
// captions may hold blanks, so their arguments are separated by "|".
//
// Started by the device itself ("AppRunAtTime", "AppRunAfterWakeup"), it
// appends that line to client.log beside itself; after "AppRunAtTime" it
// registers itself again a day ahead, as a scheduler that fired does.
#include "emulator/device_services.h"
#include "platform/aygshell.h"
#include "platform/device.h"
#include "platform/device_clock.h"
#include "platform/notification_db.h"
#include "platform/notify.h"
#include "platform/scoped.h"

#include <windows.h>
#include <tlhelp32.h>
#include <cwchar>
#include <string>

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
        if (_wcsicmp(entry.szExeFile, name.c_str()) == 0) ++count;
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
        return FALSE;
    }
    return TRUE;
}

HWND waitForDialog(const std::wstring& caption, int controlId)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        DialogSearch search{caption, controlId, nullptr};
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
    HWND dialog = waitForDialog(caption, id);
    if (!dialog) return Failed;
    // A dialog that just showed may not have finished its set-up yet.
    Sleep(200);
    if (verb == L"ui-wait") return Done;
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

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    std::wstring line = ce::CommandLine();
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
    if (verb == L"ui-wait" || verb == L"ui-click" || verb == L"ui-text" || verb == L"ui-checked")
        return uiVerb(verb, line);
    if (verb == L"wait") {
        Sleep(INFINITE);
        return Done;
    }
    return Usage;
}
