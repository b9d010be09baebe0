// The device's tool-help library "toolhelp.dll": its process record and the
// entry points a program takes from it with GetProcAddress. The handheld
// record differs from the desktop's (32-bit fields throughout, two more at the
// end), so it lives in namespace ce; the desktop tlhelp32.h turns these names
// into macros and must stay out of any file that includes this one.
#ifndef MORVANE_PLATFORM_TOOLHELP_H
#define MORVANE_PLATFORM_TOOLHELP_H

#ifdef _INC_TOOLHELP32
#error "tlhelp32.h renames the tool-help names; keep it out of this file"
#endif

#include <windows.h>
#include <cstddef>

namespace ce {

constexpr wchar_t ToolhelpLibrary[] = L"toolhelp.dll";

constexpr DWORD TH32CS_SNAPPROCESS = 0x00000002;

struct PROCESSENTRY32 {
    DWORD dwSize;
    DWORD cntUsage;
    DWORD th32ProcessID;
    DWORD th32DefaultHeapID;
    DWORD th32ModuleID;
    DWORD cntThreads;
    DWORD th32ParentProcessID;
    LONG  pcPriClassBase;
    DWORD dwFlags;
    wchar_t szExeFile[MAX_PATH];
    DWORD th32MemoryBase;
    DWORD th32AccessKey;
};
using LPPROCESSENTRY32 = PROCESSENTRY32*;

// The size callers put in dwSize; the library refuses any other.
constexpr DWORD ProcessEntrySize = 564;
static_assert(sizeof(PROCESSENTRY32) == ProcessEntrySize, "handheld PROCESSENTRY32 layout");
static_assert(offsetof(PROCESSENTRY32, szExeFile) == 36, "handheld PROCESSENTRY32 layout");
static_assert(offsetof(PROCESSENTRY32, th32MemoryBase) == 556, "handheld PROCESSENTRY32 layout");

// The exports, by the names GetProcAddress takes.
using CreateToolhelp32SnapshotProc = HANDLE(WINAPI*)(DWORD dwFlags, DWORD th32ProcessID);
using Process32FirstProc = BOOL(WINAPI*)(HANDLE hSnapshot, LPPROCESSENTRY32 lppe);
using Process32NextProc = BOOL(WINAPI*)(HANDLE hSnapshot, LPPROCESSENTRY32 lppe);
using CloseToolhelp32SnapshotProc = BOOL(WINAPI*)(HANDLE hSnapshot);

} // namespace ce

#endif
