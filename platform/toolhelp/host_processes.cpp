#include "platform/toolhelp/host_processes.h"

#include <cstring>
#include <tlhelp32.h>

HANDLE openHostProcessList()
{
    return CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
}

BOOL readHostProcess(HANDLE snapshot, bool first, HostProcess& process)
{
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    if (!(first ? Process32FirstW(snapshot, &entry) : Process32NextW(snapshot, &entry))) return FALSE;
    process.usageCount = entry.cntUsage;
    process.processId = entry.th32ProcessID;
    process.moduleId = entry.th32ModuleID;
    process.threadCount = entry.cntThreads;
    process.parentProcessId = entry.th32ParentProcessID;
    process.basePriority = entry.pcPriClassBase;
    process.flags = entry.dwFlags;
    static_assert(sizeof process.exeFile == sizeof entry.szExeFile, "same name capacity");
    memcpy(process.exeFile, entry.szExeFile, sizeof process.exeFile);
    process.exeFile[MAX_PATH - 1] = L'\0';
    return TRUE;
}
