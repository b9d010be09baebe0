// The host's own process list, read through kernel32's tool-help calls. Kept
// apart from toolhelp.cpp because the desktop tlhelp32.h and the handheld
// record cannot share a file.
#ifndef MORVANE_PLATFORM_TOOLHELP_HOST_PROCESSES_H
#define MORVANE_PLATFORM_TOOLHELP_HOST_PROCESSES_H

#include <windows.h>

struct HostProcess {
    DWORD usageCount;
    DWORD processId;
    DWORD moduleId;
    DWORD threadCount;
    DWORD parentProcessId;
    LONG  basePriority;
    DWORD flags;
    wchar_t exeFile[MAX_PATH];
};

// A snapshot of the running processes, closed with CloseHandle; null or
// INVALID_HANDLE_VALUE on failure.
HANDLE openHostProcessList();

// Reads the first (first true) or the next process of the snapshot. FALSE at
// the end of the list, with the host's last error.
BOOL readHostProcess(HANDLE snapshot, bool first, HostProcess& process);

#endif
