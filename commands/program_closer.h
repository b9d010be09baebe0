// Asks every running program with a visible titled window to close: lists the
// processes with the device's tool-help library, finds each one's window and
// posts it WM_CLOSE. Nothing is ended by force and nothing waits.
#ifndef MORVANE_COMMANDS_PROGRAM_CLOSER_H
#define MORVANE_COMMANDS_PROGRAM_CLOSER_H

#include "commands/command.h"

#include <windows.h>

constexpr size_t WindowTitleCapacity = 64;
constexpr int ProcessTableCapacity = 256;

// One running process as the last snapshot saw it.
struct ProcessEntry {
    DWORD usageCount;
    DWORD processId;
    DWORD parentProcessId;
    DWORD threadCount;
    DWORD moduleId;
    HWND mainWindow;                          // set by collectProcessWindows
    wchar_t exeName[PathCapacity];            // file name without its folder
    wchar_t windowTitle[WindowTitleCapacity]; // set by collectProcessWindows
};

// The program's one table, refilled (cleared first) by every closeAllPrograms.
// Commands run one after another, so it is never used twice at once.
struct ProcessTable {
    ProcessEntry rows[ProcessTableCapacity];
    int rowCount;
};
extern ProcessTable processTable;

// Window titles that are never asked to close, compared without regard to case.
extern const wchar_t* const closeExclusions[3];

// Returns how many programs were asked to close.
int closeAllPrograms();

// Fills up to capacity rows from the tool-help library's process list and
// returns how many. Shows "Toolhelp.dll not found" when the library is missing.
int takeProcessSnapshot(ProcessEntry* table, int capacity);

// One EnumWindows pass: each process's last visible top-level window becomes
// its mainWindow; its title is kept unless empty.
void collectProcessWindows(ProcessEntry* table, int rowCount);

// Counts the close request in "CloseCmds" and posts WM_CLOSE to the row's window.
int closeProgram(const ProcessEntry& row);

#endif
