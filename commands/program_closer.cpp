#include "commands/program_closer.h"
#include "platform/modal.h"
#include "platform/scoped.h"
#include "platform/text.h"
#include "platform/toolhelp.h"
#include "shell/settings_store.h"

#include <cstring>
#include <cwchar>
#include <iterator>

ProcessTable processTable;

const wchar_t* const closeExclusions[3] = {L"ActiveSync", L"Desktop", L""};

namespace {

// The device's shell: never asked to close, whatever its windows.
constexpr wchar_t ShellExeName[] = L"shell32.exe";
// The shell's menu strip: a window of the shell's, never a program's own.
constexpr wchar_t TopMenuTitle[] = L"TOP MENU";

template <typename Proc>
Proc procAddress(HMODULE module, const char* name)
{
    // Through the generic function type, which GCC lets a cast start from.
    return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

const wchar_t* fileNamePart(const wchar_t* path)
{
    const wchar_t* lastBackslash = wcsrchr(path, L'\\');
    return lastBackslash ? lastBackslash + 1 : path;
}

void fillRow(ProcessEntry& row, const ce::PROCESSENTRY32& entry)
{
    row.usageCount = entry.cntUsage;
    row.processId = entry.th32ProcessID;
    row.parentProcessId = entry.th32ParentProcessID;
    row.threadCount = entry.cntThreads;
    row.moduleId = entry.th32ModuleID;
    // The record's name may lack its terminator; the copy is bounded either way.
    wchar_t exeFile[MAX_PATH];
    wmemcpy(exeFile, entry.szExeFile, MAX_PATH);
    exeFile[MAX_PATH - 1] = L'\0';
    copyText(row.exeName, fileNamePart(exeFile));
}

bool isExcludedTitle(const wchar_t* title)
{
    for (const wchar_t* excluded : closeExclusions)
        if (_wcsicmp(title, excluded) == 0) return true;
    return false;
}

struct WindowScan {
    ProcessEntry* table;
    int rowCount;
};

BOOL CALLBACK collectWindow(HWND window, LPARAM parameter)
{
    const auto& scan = *reinterpret_cast<const WindowScan*>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == 0 || scan.rowCount == 0) return TRUE;

    ProcessEntry* row = nullptr;
    for (int i = 0; i < scan.rowCount && !row; ++i)
        if (scan.table[i].processId == processId) row = &scan.table[i];
    if (!row || !IsWindowVisible(window)) return TRUE;

    wchar_t title[WindowTitleCapacity] = L"";
    GetWindowTextW(window, title, static_cast<int>(std::size(title)));
    if (_wcsicmp(title, TopMenuTitle) == 0) return TRUE;

    row->mainWindow = window;
    if (title[0]) copyText(row->windowTitle, title);
    return TRUE;
}

} // namespace

int takeProcessSnapshot(ProcessEntry* table, int capacity)
{
    if (capacity <= 0) return 0;
    memset(table, 0, sizeof(ProcessEntry) * static_cast<size_t>(capacity));

    ScopedModule library(LoadLibraryW(ce::ToolhelpLibrary));
    if (!library) {
        ce::MessageBoxW(nullptr, L"Toolhelp.dll not found", L"Pellmark", MB_OK);
        return 0;
    }
    auto createSnapshot =
        procAddress<ce::CreateToolhelp32SnapshotProc>(library.get(), "CreateToolhelp32Snapshot");
    auto firstProcess = procAddress<ce::Process32FirstProc>(library.get(), "Process32First");
    auto nextProcess = procAddress<ce::Process32NextProc>(library.get(), "Process32Next");
    if (!createSnapshot || !firstProcess || !nextProcess) return 0;

    ScopedHandle snapshot(createSnapshot(ce::TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return 0;

    ce::PROCESSENTRY32 entry{};
    entry.dwSize = ce::ProcessEntrySize;
    if (!firstProcess(snapshot.get(), &entry)) return 0;
    int filled = 0;
    do fillRow(table[filled++], entry);
    while (filled < capacity && nextProcess(snapshot.get(), &entry));
    return filled;
}

void collectProcessWindows(ProcessEntry* table, int rowCount)
{
    WindowScan scan{table, rowCount};
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&scan));
}

int closeProgram(const ProcessEntry& row)
{
    {
        SettingsStore settings;
        settings.incrementCounter(L"CloseCmds");
    }
    PostMessageW(row.mainWindow, WM_CLOSE, 0, 0);
    return 1;
}

int closeAllPrograms()
{
    processTable.rowCount = takeProcessSnapshot(processTable.rows, ProcessTableCapacity);
    collectProcessWindows(processTable.rows, processTable.rowCount);
    int asked = 0;
    for (int i = 0; i < processTable.rowCount; ++i) {
        const ProcessEntry& row = processTable.rows[i];
        if (isExcludedTitle(row.windowTitle) || _wcsicmp(row.exeName, ShellExeName) == 0) continue;
        asked += closeProgram(row);
    }
    return asked;
}
