// mvlaunch.exe: started by the notification services and the start-up
// shortcut, it starts morvane.exe from its install folder with its own command
// line, unchanged. No windows, no resources.
#include "platform/device.h"
#include "platform/scoped.h"
#include "platform/text.h"

#include <windows.h>

namespace {

constexpr wchar_t InstallKeyPath[] = L"Software\\Apps\\Quillon Software Morvane";
constexpr wchar_t InstallDirValue[] = L"InstallDir";
constexpr wchar_t MainProgramName[] = L"morvane.exe";

constexpr DWORD SettleMilliseconds = 1000;   // before anything else
constexpr DWORD RetryMilliseconds = 1000;    // after each failed start
constexpr int MaximumAttempts = 11;

constexpr int InstallFolderUnreadable = -1;
constexpr int LoopEnded = 0;

// The folder is read with a limit of 260 bytes: at most 129 characters.
constexpr DWORD InstallDirBytes = 260;

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    Sleep(SettleMilliseconds);

    ScopedKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, InstallKeyPath, 0, KEY_QUERY_VALUE, key.out()) !=
        ERROR_SUCCESS)
        return InstallFolderUnreadable;

    // Zero-filled, so a value stored without its terminator still ends.
    wchar_t path[MAX_PATH] = {};
    DWORD type = REG_SZ, size = InstallDirBytes;
    if (RegQueryValueExW(key.get(), InstallDirValue, nullptr, &type, reinterpret_cast<BYTE*>(path),
                         &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return InstallFolderUnreadable;

    // 260 bytes without a terminator hold 130 characters: longer than a folder
    // may be.
    size_t length = boundedLength(path, std::size(path));
    if (length >= InstallDirBytes / sizeof(wchar_t)) return InstallFolderUnreadable;
    if (length == 0 || path[length - 1] != L'\\') appendText(path, L"\\");
    appendText(path, MainProgramName);

    // The arguments exactly as they were given to the launcher.
    wchar_t commandLine[32768];
    copyText(commandLine, ce::CommandLine());

    for (int attempts = 0;;) {
        PROCESS_INFORMATION process{};
        BOOL started = ce::CreateProcessW(path, commandLine, nullptr, nullptr, FALSE, 0, nullptr,
                                          nullptr, nullptr, &process);
        ++attempts;
        if (started) {
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        } else {
            Sleep(RetryMilliseconds);
        }
        if (started || attempts > MaximumAttempts - 1) break;
    }
    return LoopEnded;
}
