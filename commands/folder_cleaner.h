// Deletes the files of a folder (and with recursion its whole tree), then
// removes the folder itself.
#ifndef MORVANE_COMMANDS_FOLDER_CLEANER_H
#define MORVANE_COMMANDS_FOLDER_CLEANER_H

#include <cstddef>

// Deletes every file of folder (a path of at most 259 characters, with or
// without a trailing backslash) except system files; with recursive non-zero
// also cleans and removes every subfolder. Returns 1 when the folder itself
// was removed at the end, else 0. An empty path or one that names the root
// folder of the device is refused with 0 and nothing touched, and so is a
// folder that is a link or lies behind one. Links inside are never followed
// nor deleted.
// With counts, the files deleted and the files found but left (system files,
// links, and those that could not be deleted: read-only on a read-only
// medium, or in use) are added up there.
struct CleanCounts {
    unsigned deleted = 0;
    unsigned left = 0;
};
int cleanFolder(const wchar_t* folder, int recursive, CleanCounts* counts = nullptr);

// Appends a backslash to the path in path[capacity] unless it already ends in
// one. False, leaving the path unchanged, when the backslash does not fit.
bool appendBackslash(wchar_t* path, size_t capacity);

// True when path names the root folder of the device ("", "\", "C:", "C:\",
// "/", "\Windows\.." ...): nothing below a root is left once "." and ".."
// are taken into account.
bool namesDeviceRoot(const wchar_t* path);

#endif
