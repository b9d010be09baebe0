// toolhelp.dll: the device's process list in the handheld record layout, taken
// from the host's own list. The snapshot handle is the host's, so CloseHandle
// closes it as on the device.
#include "platform/toolhelp.h"
#include "platform/toolhelp/host_processes.h"

#include <cstring>

namespace {

BOOL fillEntry(HANDLE snapshot, bool first, ce::LPPROCESSENTRY32 lppe)
{
    // A record of another size is of another layout; writing into it would
    // overrun the caller's memory or leave it half filled.
    if (!lppe || lppe->dwSize != ce::ProcessEntrySize) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    HostProcess process;
    if (!readHostProcess(snapshot, first, process)) return FALSE;

    lppe->cntUsage = process.usageCount;
    lppe->th32ProcessID = process.processId;
    lppe->th32DefaultHeapID = 0;    // the host's heap id is a pointer; none is given here
    lppe->th32ModuleID = process.moduleId;
    lppe->cntThreads = process.threadCount;
    lppe->th32ParentProcessID = process.parentProcessId;
    lppe->pcPriClassBase = process.basePriority;
    lppe->dwFlags = process.flags;
    static_assert(sizeof lppe->szExeFile == sizeof process.exeFile, "same name capacity");
    memcpy(lppe->szExeFile, process.exeFile, sizeof lppe->szExeFile);
    // The host has no process slots: no slot base, no access key.
    lppe->th32MemoryBase = 0;
    lppe->th32AccessKey = 0;
    return TRUE;
}

} // namespace

// Exported under the handheld names by toolhelp.def; these names keep clear of
// kernel32's functions of the same names.
extern "C" {

HANDLE WINAPI deviceCreateToolhelp32Snapshot(DWORD dwFlags, DWORD)
{
    // Only the process list is kept; threads, modules and heaps are not.
    if (!(dwFlags & ce::TH32CS_SNAPPROCESS)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE snapshot = openHostProcessList();
    return snapshot ? snapshot : INVALID_HANDLE_VALUE;
}

BOOL WINAPI deviceProcess32First(HANDLE hSnapshot, ce::LPPROCESSENTRY32 lppe)
{
    return fillEntry(hSnapshot, true, lppe);
}

BOOL WINAPI deviceProcess32Next(HANDLE hSnapshot, ce::LPPROCESSENTRY32 lppe)
{
    return fillEntry(hSnapshot, false, lppe);
}

BOOL WINAPI deviceCloseToolhelp32Snapshot(HANDLE hSnapshot)
{
    return CloseHandle(hSnapshot);
}

} // extern "C"
