// Folder cleaning: a depth-first walk that holds two path buffers and one
// listing record per level, nothing on the heap.
#include "commands/folder_cleaner.h"
#include "commands/command.h"
#include "platform/device.h"
#include "platform/file_links.h"
#include "platform/scoped.h"
#include "platform/text.h"

#include <windows.h>
#include <iterator>

namespace {

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool isDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// "." and "..", and any other name made only of dots and blanks: no file can
// have such a name, and path resolution may read one as this folder or its parent.
bool namesThisOrParent(const wchar_t* name, size_t length, size_t* dots = nullptr)
{
    size_t dotCount = 0;
    for (size_t i = 0; i < length; ++i) {
        if (name[i] == L'.') ++dotCount;
        else if (name[i] != L' ') return false;
    }
    if (dots) *dots = dotCount;
    return true;
}

void cleanEntry(const wchar_t* folder, const WIN32_FIND_DATAW& entry, int recursive, CleanCounts& counts)
{
    if (namesThisOrParent(entry.cFileName, wcslen(entry.cFileName))) return;

    // An entry whose full path does not fit is left alone: cut short, the
    // path would name something else.
    const bool folderEntry = entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    wchar_t entryPath[PathCapacity];
    if (!copyText(entryPath, folder) || !appendBackslash(entryPath, std::size(entryPath)) ||
        !appendText(entryPath, entry.cFileName)) {
        if (!folderEntry) ++counts.left;
        return;
    }

    // A link (the device has none, a host folder may) is never followed and
    // never deleted: what it points to lies outside the folder being cleaned.
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        ++counts.left;
        return;
    }
    if (folderEntry) {
        // The subfolder's own result does not matter: if it stays, so does this folder.
        if (recursive) cleanFolder(entryPath, recursive, &counts);
        return;
    }
    // A link to a file lists as a plain file, and deleting it would delete
    // its target: the file is checked and deleted through one handle, so
    // that no link put in its place meanwhile is followed.
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) && deleteWhereItsPathSays(entryPath)) ++counts.deleted;
    else ++counts.left;
}

} // namespace

bool appendBackslash(wchar_t* path, size_t capacity)
{
    size_t length = boundedLength(path, capacity);
    if (length == capacity) return false;
    if (length > 0 && path[length - 1] == L'\\') return true;
    return appendText(path, capacity, L"\\");
}

bool namesDeviceRoot(const wchar_t* path)
{
    const wchar_t* p = path;
    if (isSeparator(p[0]) && isSeparator(p[1]) && (p[2] == L'?' || p[2] == L'.') && isSeparator(p[3]))
        p += 4;   // "\\?\C:\" and "\\.\C:\" reach the same drive
    if (isDriveLetter(p[0]) && p[1] == L':') p += 2;

    // Count the folders below the root that the path goes down to.
    size_t depth = 0;
    while (*p) {
        while (isSeparator(*p)) ++p;
        const wchar_t* name = p;
        while (*p && !isSeparator(*p)) ++p;
        size_t length = static_cast<size_t>(p - name);
        size_t dots = 0;
        if (length == 0) continue;
        if (!namesThisOrParent(name, length, &dots)) ++depth;
        else if (dots >= 2 && depth > 0) --depth;
    }
    return depth == 0;
}

int cleanFolder(const wchar_t* folder, int recursive, CleanCounts* counts)
{
    CleanCounts ignored;
    CleanCounts& count = counts ? *counts : ignored;
    // A path that fills the device's 260-character buffer has no terminator
    // there: not a path the device could hold.
    if (!folder || boundedLength(folder, PathCapacity) == PathCapacity) return 0;
    if (namesDeviceRoot(folder)) return 0;
    // A folder that is a link, or is reached through one, lies elsewhere.
    DWORD attributes = ce::GetFileAttributesW(folder);
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) || !liesWhereItsPathSays(folder)))
        return 0;

    wchar_t pattern[PathCapacity];
    if (copyText(pattern, folder) && appendBackslash(pattern, std::size(pattern)) &&
        appendText(pattern, L"*.*")) {
        WIN32_FIND_DATAW entry;
        ScopedFind listing(ce::FindFirstFileW(pattern, &entry));
        if (listing) {
            // Files are deleted while the listing that found them is open.
            do cleanEntry(folder, entry, recursive, count);
            while (FindNextFileW(listing.get(), &entry));
        }
    }
    // Only an emptied folder can go; the path is used exactly as given.
    return ce::RemoveDirectoryW(folder) ? 1 : 0;
}
