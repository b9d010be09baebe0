// The device's kernel services whose behaviour differs from the desktop's:
// the device clock, process creation and the command line a program was given.
// Everything that reads local time or starts a program goes through these.
#ifndef MORVANE_PLATFORM_DEVICE_H
#define MORVANE_PLATFORM_DEVICE_H

#include <windows.h>

namespace ce {

// Local time of the device clock, which every process of the device shares.
void GetLocalTime(LPSYSTEMTIME lpSystemTime);

// Sets the device clock; a waiting notification service wakes at once.
BOOL SetLocalTime(const SYSTEMTIME* lpSystemTime);

// Paths name the device's own file system only: no drive but C: (and the
// folder the program itself was started from), no network or namespace path
// (\\server\..., \\?\..., \\.\..., \??\...), no "?" outside a search
// pattern's last name; a rooted or relative path is judged as the absolute
// path it resolves to. The platform's own namespaces reach the host's files
// whatever the drives (\\?\unix\...); the device has none of them, so each
// call below refuses such a path as the device refuses a path that does not
// exist: it fails with ERROR_PATH_NOT_FOUND. Every path that a program of the
// device opens, runs or links goes through one of them.

// Starts a program the handheld way: lpCommandLine holds the arguments only
// (the child sees exactly them as its command line), a bare file name is also
// looked up in \Windows, and the start-up information may be null.
BOOL CreateProcessW(LPCWSTR lpApplicationName, LPWSTR lpCommandLine,
                    LPSECURITY_ATTRIBUTES lpProcessAttributes,
                    LPSECURITY_ATTRIBUTES lpThreadAttributes, BOOL bInheritHandles,
                    DWORD dwCreationFlags, LPVOID lpEnvironment, LPCWSTR lpCurrentDirectory,
                    LPSTARTUPINFOW lpStartupInfo, LPPROCESS_INFORMATION lpProcessInformation);

HANDLE FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData);
BOOL DeleteFileW(LPCWSTR lpFileName);
BOOL RemoveDirectoryW(LPCWSTR lpPathName);
BOOL CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes);
DWORD GetFileAttributesW(LPCWSTR lpFileName);
BOOL SetFileAttributesW(LPCWSTR lpFileName, DWORD dwFileAttributes);
HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                   DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
BOOL MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags);

// Wine now and then refuses a start on a loaded machine with
// ERROR_INTERNAL_ERROR (1359): the new process ended before it ever ran. A
// handheld never does, so CreateProcessW and CreateHarnessProcessW try again
// on that error alone: start is called until it succeeds, fails for another
// reason, or has been refused StartAttempts times, pausing pauseMs longer
// after each refusal; the last error stays.
constexpr int StartAttempts = 6;
BOOL retryingRefusals(BOOL (*start)(void* context), void* context, DWORD pauseMs);

// For the emulator and the tests alone: starts a build's program from a host
// folder that they mapped as a drive, as CreateProcessW does otherwise. The
// device's own programs never call it.
BOOL CreateHarnessProcessW(LPCWSTR lpApplicationName, LPWSTR lpCommandLine, DWORD dwCreationFlags,
                           LPPROCESS_INFORMATION lpProcessInformation);

// The arguments this process was started with, exactly as its creator passed
// them (the value WinMain receives on the handheld).
const wchar_t* CommandLine();

} // namespace ce

#endif
