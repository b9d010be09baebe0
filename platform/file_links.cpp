#include "platform/file_links.h"
#include "platform/scoped.h"

#include <windows.h>
#include <cwctype>
#include <iterator>

namespace {

// Paths compare as the file system does: without regard to letter case, a
// trailing backslash not counting.
bool samePath(const wchar_t* a, size_t aLength, const wchar_t* b, size_t bLength)
{
    while (aLength > 0 && a[aLength - 1] == L'\\') --aLength;
    while (bLength > 0 && b[bLength - 1] == L'\\') --bLength;
    if (aLength != bLength) return false;
    for (size_t i = 0; i < aLength; ++i)
        if (towupper(a[i]) != towupper(b[i])) return false;
    return true;
}

} // namespace

bool liesWhereItsPathSays(const wchar_t* path)
{
    // Long enough for any path of the device and what the platform adds.
    wchar_t full[1024];
    DWORD fullLength = GetFullPathNameW(path, static_cast<DWORD>(std::size(full)), full, nullptr);
    if (fullLength == 0 || fullLength >= std::size(full)) return false;

    // The handle's final path is where the file really is: a link resolves to
    // its target (a host file shows as \\?\unix\...).
    ScopedHandle file(CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) return false;
    wchar_t final[1024];
    DWORD finalLength = GetFinalPathNameByHandleW(file.get(), final, static_cast<DWORD>(std::size(final)),
                                                  FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (finalLength == 0 || finalLength >= std::size(final)) return false;
    const wchar_t* where = final;
    if (wcsncmp(where, L"\\\\?\\", 4) == 0) {
        where += 4;
        finalLength -= 4;
    }
    return samePath(full, fullLength, where, finalLength);
}
