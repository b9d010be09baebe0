// Device clock, process creation and command line (see device.h).
#include "platform/device.h"
#include "platform/device_clock.h"
#include "platform/device_log.h"
#include "platform/device_paths.h"
#include "platform/scoped.h"
#include "platform/text.h"

#include <cwchar>
#include <iterator>

namespace {

constexpr wchar_t ClockMappingName[] = L"DeviceClockOffset";
constexpr wchar_t ClockInitMutexName[] = L"DeviceClockInit";
constexpr ULONGLONG TicksPerMinute = 600000000ULL;

using device_clock::fromTicks;
using device_clock::toTicks;

ULONGLONG utcNow()
{
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    return toTicks(ft);
}

// A device that never had its clock set runs at the host's local time, with
// the host's offset from UTC at the moment the clock was first read.
LONGLONG hostLocalOffset()
{
    SYSTEMTIME utc, local;
    GetSystemTime(&utc);
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) return 0;
    FILETIME fu, fl;
    SystemTimeToFileTime(&utc, &fu);
    SystemTimeToFileTime(&local, &fl);
    LONGLONG diff = static_cast<LONGLONG>(toTicks(fl) - toTicks(fu));
    LONGLONG minutes = (diff + (diff >= 0 ? 1 : -1) * static_cast<LONGLONG>(TicksPerMinute / 2)) /
                       static_cast<LONGLONG>(TicksPerMinute);
    return minutes * static_cast<LONGLONG>(TicksPerMinute);
}

bool readStoredOffset(LONGLONG& offset)
{
    ScopedKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, device_clock::ClockKey, 0, KEY_QUERY_VALUE, key.out()) !=
        ERROR_SUCCESS)
        return false;
    LONGLONG value = 0;
    DWORD type = 0, size = sizeof value;
    if (RegQueryValueExW(key.get(), device_clock::OffsetValue, nullptr, &type,
                         reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_QWORD || size != sizeof value)
        return false;
    offset = value;
    return true;
}

bool writeStoredOffset(LONGLONG offset)
{
    ScopedKey key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, device_clock::ClockKey, 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, key.out(), nullptr) != ERROR_SUCCESS)
        return false;
    return RegSetValueExW(key.get(), device_clock::OffsetValue, 0, REG_QWORD,
                          reinterpret_cast<const BYTE*>(&offset), sizeof offset) == ERROR_SUCCESS;
}

// One offset shared by every process of the device, so that reading the clock
// costs a memory read; the registry keeps it across resets.
struct SharedClock {
    volatile LONGLONG offset;
};

SharedClock* mapSharedClock()
{
    ScopedHandle initLock(CreateMutexW(nullptr, FALSE, ClockInitMutexName));
    MutexLock lock(initLock.get());
    HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        sizeof(SharedClock), ClockMappingName);
    if (!mapping) return nullptr;
    bool created = GetLastError() != ERROR_ALREADY_EXISTS;
    // The mapping stays open for the life of the process on purpose.
    auto* shared = static_cast<SharedClock*>(
        MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(SharedClock)));
    if (!shared) return nullptr;
    if (created) {
        LONGLONG offset = 0;
        if (!readStoredOffset(offset)) offset = hostLocalOffset();
        shared->offset = offset;
    }
    return shared;
}

// Mapped at the first reading of the clock. A plain static slot rather than a
// C++ static initialised by a call, whose guard would bring the C++ runtime's
// locks into every program; two threads that race map it twice, harmlessly.
SharedClock* sharedClock()
{
    static SharedClock* clock;
    if (!clock) clock = mapSharedClock();
    return clock;
}

LONGLONG currentOffset()
{
    if (SharedClock* shared = sharedClock()) return shared->offset;
    LONGLONG offset = 0;
    if (!readStoredOffset(offset)) offset = hostLocalOffset();
    return offset;
}

bool fileExists(const wchar_t* path)
{
    DWORD attributes = ::GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The first pause after Wine refused a start; each further one is longer.
constexpr DWORD RefusalPauseMs = 250;

template <typename Result>
Result refused(Result result)
{
    SetLastError(ERROR_PATH_NOT_FOUND);
    return result;
}

// The program a whole command line names: its first token, quoted or not.
// False when there is no memory for it.
bool firstToken(const wchar_t* line, HeapText& token)
{
    token.clear();
    if (!line) return token.assign(L"");
    const wchar_t* end = line;
    if (*line == L'"') {
        ++line;
        end = wcschr(line, L'"');
        return end ? token.append(line, static_cast<size_t>(end - line)) : token.append(line);
    }
    while (*end && *end != L' ' && *end != L'\t') ++end;
    return token.append(line, static_cast<size_t>(end - line));
}

// One line of the device's trace for a program start; outcome is what came
// of it. A line that finds no memory is left out of the trace.
void traceStart(const wchar_t* image, const wchar_t* arguments, const wchar_t* outcome)
{
    if (!device_log::enabled()) return;
    HeapText line;
    if (line.assign(L"create\t") && line.append(image ? image : L"(none)") && line.append(L"\t") &&
        line.append(arguments ? arguments : L"") && line.append(L"\t") && line.append(outcome))
        device_log::write(line.c_str());
}

BOOL startProgram(LPCWSTR lpApplicationName, LPWSTR lpCommandLine,
                  LPSECURITY_ATTRIBUTES lpProcessAttributes, LPSECURITY_ATTRIBUTES lpThreadAttributes,
                  BOOL bInheritHandles, DWORD dwCreationFlags, LPVOID lpEnvironment,
                  LPCWSTR lpCurrentDirectory, LPSTARTUPINFOW lpStartupInfo,
                  LPPROCESS_INFORMATION information)
{
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (!lpApplicationName) {
        // Without an image name the line is a whole desktop command line.
        return ::CreateProcessW(nullptr, lpCommandLine, lpProcessAttributes, lpThreadAttributes,
                                bInheritHandles, dwCreationFlags, lpEnvironment, lpCurrentDirectory,
                                lpStartupInfo ? lpStartupInfo : &si, information);
    }

    // A bare file name is looked for where it is and then in \Windows.
    wchar_t inWindows[MAX_PATH];
    if (!wcschr(lpApplicationName, L'\\') && !wcschr(lpApplicationName, L'/') &&
        !fileExists(lpApplicationName) && copyText(inWindows, L"\\Windows\\") &&
        appendText(inWindows, lpApplicationName) && fileExists(inWindows))
        lpApplicationName = inWindows;

    // The child takes the first token of its command line as its own name and
    // the rest, after one blank, as its arguments (see CommandLine()). A line
    // longer than any command line may be (32,767 characters with the
    // terminator) is refused.
    constexpr size_t LineCapacity = 32767;
    ScopedHeapMemory<wchar_t> block = heapArray<wchar_t>(LineCapacity);
    wchar_t* line = block.get();
    if (!line || !copyText(line, LineCapacity, L"\"") || !appendText(line, LineCapacity, lpApplicationName) ||
        !appendText(line, LineCapacity, L"\"") ||
        (lpCommandLine &&
         (!appendText(line, LineCapacity, L" ") || !appendText(line, LineCapacity, lpCommandLine)))) {
        SetLastError(line ? ERROR_FILENAME_EXCED_RANGE : ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    return ::CreateProcessW(lpApplicationName, line, lpProcessAttributes, lpThreadAttributes,
                            bInheritHandles, dwCreationFlags, lpEnvironment, lpCurrentDirectory,
                            lpStartupInfo ? lpStartupInfo : &si, information);
}

BOOL startAndTrace(LPCWSTR lpApplicationName, LPWSTR lpCommandLine,
                   LPSECURITY_ATTRIBUTES lpProcessAttributes, LPSECURITY_ATTRIBUTES lpThreadAttributes,
                   BOOL bInheritHandles, DWORD dwCreationFlags, LPVOID lpEnvironment,
                   LPCWSTR lpCurrentDirectory, LPSTARTUPINFOW lpStartupInfo,
                   LPPROCESS_INFORMATION lpProcessInformation)
{
    PROCESS_INFORMATION scratch{};
    PROCESS_INFORMATION* information = lpProcessInformation ? lpProcessInformation : &scratch;
    struct Start {
        LPCWSTR image;
        LPWSTR line;
        LPSECURITY_ATTRIBUTES processAttributes, threadAttributes;
        BOOL inheritHandles;
        DWORD creationFlags;
        LPVOID environment;
        LPCWSTR currentDirectory;
        LPSTARTUPINFOW startupInfo;
        LPPROCESS_INFORMATION information;
    } start{lpApplicationName, lpCommandLine, lpProcessAttributes, lpThreadAttributes, bInheritHandles,
            dwCreationFlags, lpEnvironment, lpCurrentDirectory, lpStartupInfo, information};
    BOOL ok = ce::retryingRefusals(
        [](void* context) {
            const Start& s = *static_cast<const Start*>(context);
            return startProgram(s.image, s.line, s.processAttributes, s.threadAttributes, s.inheritHandles,
                                s.creationFlags, s.environment, s.currentDirectory, s.startupInfo, s.information);
        },
        &start, RefusalPauseMs);
    DWORD error = ok ? 0 : GetLastError();
    HeapText outcome;
    if (ok)
        outcome.assign(L"started ") && outcome.appendNumber(information->dwProcessId);
    else
        outcome.assign(L"failed, error ") && outcome.appendNumber(error);
    traceStart(lpApplicationName, lpCommandLine, outcome.c_str());
    if (ok && !lpProcessInformation) {
        CloseHandle(scratch.hThread);
        CloseHandle(scratch.hProcess);
    }
    SetLastError(error);
    return ok;
}

} // namespace

namespace {

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// The folder this program was started from, with its final backslash: a
// program's own files lie where it was installed, on the device's drive C:
// on the handheld. Empty when it is not on a drive.
struct OwnFolder {
    wchar_t path[MAX_PATH];
    int length;
};

const OwnFolder& ownFolder()
{
    static OwnFolder folder;
    static bool known;
    if (!known) {
        const DWORD length = GetModuleFileNameW(nullptr, folder.path, MAX_PATH);
        folder.length = 0;
        if (length >= 3 && length < MAX_PATH && folder.path[1] == L':')
            if (const wchar_t* last = wcsrchr(folder.path, L'\\')) folder.length = static_cast<int>(last - folder.path) + 1;
        known = true;
    }
    return folder;
}

// A full path on the device's drive, or in this program's own folder.
bool onDeviceDrive(const wchar_t* full, size_t length)
{
    if (length < 2 || full[1] != L':') return false;
    if ((full[0] & ~0x20) == L'C') return true;
    const OwnFolder& own = ownFolder();
    return own.length > 0 && length >= static_cast<size_t>(own.length) &&
           CompareStringOrdinal(full, own.length, own.path, own.length, TRUE) == CSTR_EQUAL;
}

// The path as written: no network or namespace path, no "?" but in a search
// pattern's last name.
bool writtenOnDevice(const wchar_t* path, bool pattern)
{
    // Two separators begin a network path or one of the platform's
    // namespaces, whatever follows.
    if (isSeparator(path[0]) && isSeparator(path[1])) return false;
    const wchar_t* lastName = path;
    for (const wchar_t* p = path; *p; ++p)
        if (isSeparator(*p)) lastName = p + 1;
    for (const wchar_t* p = path; *p; ++p)
        if (*p == L'?' && !(pattern && p >= lastName)) return false;
    return true;
}

} // namespace

bool liesOnDevice(const wchar_t* path, bool pattern)
{
    if (!path || !writtenOnDevice(path, pattern)) return false;
    // A rooted or relative path names a place from the current drive and
    // folder: it is judged as the absolute path it resolves to.
    wchar_t full[DeviceFullPathCapacity];
    const DWORD length = GetFullPathNameW(path, static_cast<DWORD>(std::size(full)), full, nullptr);
    return length > 0 && length < std::size(full) && onDeviceDrive(full, length) && writtenOnDevice(full, pattern);
}

namespace device_clock {

ULONGLONG now()
{
    return utcNow() + static_cast<ULONGLONG>(currentOffset());
}

bool storeInitialOffset()
{
    LONGLONG offset = 0;
    if (readStoredOffset(offset)) return true;
    offset = hostLocalOffset();
    if (!writeStoredOffset(offset)) return false;
    if (SharedClock* shared = sharedClock()) shared->offset = offset;
    return true;
}

bool isValid(const SYSTEMTIME& t)
{
    static const WORD lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (t.wYear < 1601 || t.wYear > 30827 || t.wMonth < 1 || t.wMonth > 12 || t.wDay < 1 ||
        t.wHour > 23 || t.wMinute > 59 || t.wSecond > 59 || t.wMilliseconds > 999)
        return false;
    bool leap = (t.wYear % 4 == 0 && t.wYear % 100 != 0) || t.wYear % 400 == 0;
    WORD length = (t.wMonth == 2 && leap) ? 29 : lengths[t.wMonth - 1];
    return t.wDay <= length;
}

} // namespace device_clock

namespace ce {

void GetLocalTime(LPSYSTEMTIME lpSystemTime)
{
    FILETIME ft = fromTicks(device_clock::now());
    FileTimeToSystemTime(&ft, lpSystemTime);
}

BOOL SetLocalTime(const SYSTEMTIME* lpSystemTime)
{
    FILETIME wanted;
    if (!lpSystemTime || !device_clock::isValid(*lpSystemTime) ||
        !SystemTimeToFileTime(lpSystemTime, &wanted)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    LONGLONG offset = static_cast<LONGLONG>(toTicks(wanted) - utcNow());
    if (!writeStoredOffset(offset)) return FALSE;
    if (SharedClock* shared = sharedClock()) shared->offset = offset;
    ScopedHandle changed(CreateEventW(nullptr, FALSE, FALSE, device_clock::ClockChangedEventName));
    if (changed) SetEvent(changed.get());
    return TRUE;
}

BOOL CreateProcessW(LPCWSTR lpApplicationName, LPWSTR lpCommandLine,
                    LPSECURITY_ATTRIBUTES lpProcessAttributes,
                    LPSECURITY_ATTRIBUTES lpThreadAttributes, BOOL bInheritHandles,
                    DWORD dwCreationFlags, LPVOID lpEnvironment, LPCWSTR lpCurrentDirectory,
                    LPSTARTUPINFOW lpStartupInfo, LPPROCESS_INFORMATION lpProcessInformation)
{
    HeapText token;
    const wchar_t* program = lpApplicationName;
    if (!program) {
        if (!firstToken(lpCommandLine, token)) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return FALSE;
        }
        program = token.c_str();
    }
    if (!liesOnDevice(program) || (lpCurrentDirectory && !liesOnDevice(lpCurrentDirectory))) {
        traceStart(lpApplicationName, lpCommandLine, L"refused");
        return refused(FALSE);
    }
    return startAndTrace(lpApplicationName, lpCommandLine, lpProcessAttributes, lpThreadAttributes,
                         bInheritHandles, dwCreationFlags, lpEnvironment, lpCurrentDirectory,
                         lpStartupInfo, lpProcessInformation);
}

BOOL retryingRefusals(BOOL (*start)(void* context), void* context, DWORD pauseMs)
{
    for (int attempt = 1;; ++attempt) {
        if (start(context)) return TRUE;
        const DWORD error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt == StartAttempts) return FALSE;
        device_log::write(L"refused by the platform (error 1359), trying again");
        Sleep(pauseMs * static_cast<DWORD>(attempt));
        SetLastError(error);
    }
}

BOOL CreateHarnessProcessW(LPCWSTR lpApplicationName, LPWSTR lpCommandLine, DWORD dwCreationFlags,
                           LPPROCESS_INFORMATION lpProcessInformation)
{
    return startAndTrace(lpApplicationName, lpCommandLine, nullptr, nullptr, FALSE, dwCreationFlags,
                         nullptr, nullptr, nullptr, lpProcessInformation);
}

HANDLE FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData)
{
    if (!liesOnDevice(lpFileName, true)) return refused(INVALID_HANDLE_VALUE);
    return ::FindFirstFileW(lpFileName, lpFindFileData);
}

BOOL DeleteFileW(LPCWSTR lpFileName)
{
    if (!liesOnDevice(lpFileName)) return refused(FALSE);
    return ::DeleteFileW(lpFileName);
}

BOOL RemoveDirectoryW(LPCWSTR lpPathName)
{
    if (!liesOnDevice(lpPathName)) return refused(FALSE);
    return ::RemoveDirectoryW(lpPathName);
}

BOOL CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes)
{
    if (!liesOnDevice(lpPathName)) return refused(FALSE);
    return ::CreateDirectoryW(lpPathName, lpSecurityAttributes);
}

DWORD GetFileAttributesW(LPCWSTR lpFileName)
{
    if (!liesOnDevice(lpFileName)) return refused(INVALID_FILE_ATTRIBUTES);
    return ::GetFileAttributesW(lpFileName);
}

BOOL SetFileAttributesW(LPCWSTR lpFileName, DWORD dwFileAttributes)
{
    if (!liesOnDevice(lpFileName)) return refused(FALSE);
    return ::SetFileAttributesW(lpFileName, dwFileAttributes);
}

HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                   DWORD dwFlagsAndAttributes, HANDLE hTemplateFile)
{
    if (!liesOnDevice(lpFileName)) return refused(INVALID_HANDLE_VALUE);
    return ::CreateFileW(lpFileName, dwDesiredAccess, dwShareMode, lpSecurityAttributes, dwCreationDisposition,
                         dwFlagsAndAttributes, hTemplateFile);
}

BOOL MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags)
{
    if (!liesOnDevice(lpExistingFileName) || !liesOnDevice(lpNewFileName)) return refused(FALSE);
    return ::MoveFileExW(lpExistingFileName, lpNewFileName, dwFlags);
}

const wchar_t* CommandLine()
{
    const wchar_t* p = GetCommandLineW();
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"') ++p;
        if (*p == L'"') ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t') ++p;
    }
    // Exactly one separator belongs to the program name; further blanks are
    // part of the arguments.
    if (*p == L' ' || *p == L'\t') ++p;
    return p;
}

} // namespace ce
