// The program's own file and folder browser: dialog 108, a tree of every
// folder of the device (and in a file browse the files of one extension),
// filled once when it opens. Construct one on the stack for each browse.
#ifndef MORVANE_SHELL_FILE_BROWSER_H
#define MORVANE_SHELL_FILE_BROWSER_H

#include "commands/command.h"

#include <windows.h>

class FileBrowser {
public:
    FileBrowser();   // selectedPath empty; the next browse is a folder browse
    virtual ~FileBrowser();

    // Both run dialog 108 with no owner (owner is not used) and return its
    // result: 1 "OK", 2 "Cancel", or -1 when it could not open. After 1 or 2
    // selectedPath holds lastSelectedPath; after -1 it is left as it was.
    int BrowseForFolder(HWND owner);
    // extension: "exe" or ".exe"; at most 11 characters with the dot.
    int BrowseForFile(HWND owner, const wchar_t* extension);

    // The chosen item's path from the device's root, with no leading
    // backslash ("Windows\Start Menu").
    wchar_t selectedPath[PathCapacity];
};

// Shared by every browser of the process, so one browse runs at a time.
constexpr size_t FileExtensionCapacity = 12;
extern int browseForFile;                            // 1 after BrowseForFile until the next constructor
extern wchar_t fileExtension[FileExtensionCapacity];  // with its leading "."
extern wchar_t lastSelectedPath[PathCapacity];       // last path confirmed with "OK", or empty

#endif
