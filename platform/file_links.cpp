#include "platform/file_links.h"
#include "platform/device_paths.h"
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

// Whether the open file is the one that the full path names: the handle's
// final path is where the file really is, a link resolved to its target (a
// host file shows as \\?\unix\...).
bool handleLiesAt(HANDLE file, const wchar_t* full, size_t fullLength)
{
    wchar_t final[DeviceFullPathCapacity];
    DWORD finalLength = GetFinalPathNameByHandleW(file, final, static_cast<DWORD>(std::size(final)),
                                                  FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (finalLength == 0 || finalLength >= std::size(final)) return false;
    const wchar_t* where = final;
    if (wcsncmp(where, L"\\\\?\\", 4) == 0) {
        where += 4;
        finalLength -= 4;
    }
    return samePath(full, fullLength, where, finalLength);
}

// Opens path for access with flags, and fills full with its full path.
// Empty when the path is off the device.
ScopedHandle openOnDevice(const wchar_t* path, DWORD access, DWORD flags, wchar_t (&full)[DeviceFullPathCapacity],
                          DWORD& fullLength)
{
    if (!liesOnDevice(path)) return ScopedHandle();
    fullLength = GetFullPathNameW(path, static_cast<DWORD>(std::size(full)), full, nullptr);
    if (fullLength == 0 || fullLength >= std::size(full)) return ScopedHandle();
    return ScopedHandle(CreateFileW(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, flags, nullptr));
}

} // namespace

bool liesWhereItsPathSays(const wchar_t* path)
{
    wchar_t full[DeviceFullPathCapacity];
    DWORD fullLength = 0;
    ScopedHandle file = openOnDevice(path, 0, FILE_FLAG_BACKUP_SEMANTICS, full, fullLength);
    return file && handleLiesAt(file.get(), full, fullLength);
}

bool deleteWhereItsPathSays(const wchar_t* path)
{
    wchar_t full[DeviceFullPathCapacity];
    DWORD fullLength = 0;
    // A link itself is opened where the platform can, and then refused by its
    // attributes; where it cannot, the link's target is, and refused by its
    // final path.
    ScopedHandle file =
        openOnDevice(path, DELETE | FILE_READ_ATTRIBUTES, FILE_FLAG_OPEN_REPARSE_POINT, full, fullLength);
    FILE_BASIC_INFO basic{};
    if (!file || !handleLiesAt(file.get(), full, fullLength) ||
        !GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof basic) ||
        (basic.FileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return false;
    // The platform opens no read-only file for writing its attributes, so
    // the attribute goes by path; the deletion still goes through the handle
    // that holds the file checked above.
    if (basic.FileAttributes & FILE_ATTRIBUTE_READONLY) {
        DWORD writable = basic.FileAttributes & ~FILE_ATTRIBUTE_READONLY;
        if (!SetFileAttributesW(full, writable ? writable : FILE_ATTRIBUTE_NORMAL)) return false;
    }
    FILE_DISPOSITION_INFO disposition{TRUE};
    return SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition, sizeof disposition) != 0;
}
