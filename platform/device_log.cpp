#include "platform/device_log.h"
#include "platform/device.h"
#include "platform/device_paths.h"
#include "platform/scoped.h"
#include "platform/text.h"

#include <windows.h>
#include <cwchar>
#include <iterator>

namespace {

constexpr wchar_t LogVariable[] = L"DEVICE_LOG";

// Read at the first use. Plain statics rather than a guarded one, which
// would bring the C++ runtime's locks along; two threads that race read the
// same value.
wchar_t logPath[MAX_PATH] = L"";
bool logPathRead = false;

const wchar_t* readLogPath()
{
    if (!logPathRead) {
        DWORD length = GetEnvironmentVariableW(LogVariable, logPath, static_cast<DWORD>(std::size(logPath)));
        // A trace that would lie off the device is not written at all.
        if (length == 0 || length >= std::size(logPath) || !liesOnDevice(logPath)) logPath[0] = L'\0';
        logPathRead = true;
    }
    return logPath;
}

const wchar_t* programName()
{
    static wchar_t path[MAX_PATH] = L"";
    if (!path[0]) GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
    path[std::size(path) - 1] = L'\0';
    const wchar_t* name = wcsrchr(path, L'\\');
    return name ? name + 1 : path;
}

// Every program of the device says when it started and with what arguments.
const bool startWritten = [] {
    HeapText line;
    if (device_log::enabled() && line.assign(L"start\t") && line.append(ce::CommandLine()))
        device_log::write(line.c_str());
    return true;
}();

} // namespace

namespace device_log {

bool enabled() { return readLogPath()[0] != L'\0'; }

void write(const wchar_t* what)
{
    if (!enabled()) return;
    SYSTEMTIME host, device;
    GetSystemTime(&host);
    ce::GetLocalTime(&device);
    // host date and time, device date and time, process id
    HeapText line;
    const WORD stamps[] = {host.wYear,   host.wMonth,  host.wDay,    host.wHour,   host.wMinute,
                           host.wSecond, device.wYear, device.wMonth, device.wDay, device.wHour,
                           device.wMinute, device.wSecond};
    const wchar_t* const before[] = {L"", L"-", L"-", L" ", L":", L":", L"\t", L"-", L"-", L" ", L":", L":"};
    bool whole = true;
    for (size_t i = 0; i < std::size(stamps); ++i) {
        whole = whole && line.append(before[i]) && line.appendNumber(stamps[i], i % 6 == 0 ? 4 : 2);
        if (i == 5) whole = whole && line.append(L".") && line.appendNumber(host.wMilliseconds, 3);
    }
    if (!whole || !line.append(L"\t") || !line.appendNumber(GetCurrentProcessId()) || !line.append(L"\t") ||
        !line.append(programName()) || !line.append(L"\t") || !line.append(what) || !line.append(L"\n"))
        return;
    const int length = static_cast<int>(line.length());
    const int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), length, nullptr, 0, nullptr, nullptr);
    ScopedHeapMemory<char> bytes = heapArray<char>(static_cast<size_t>(size));
    if (!bytes) return;
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), length, bytes.get(), size, nullptr, nullptr);
    // Appended whole, one write per line: programs write at the same time.
    ScopedHandle file(ce::CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file) WriteFile(file.get(), bytes.get(), static_cast<DWORD>(size), &written, nullptr);
}

} // namespace device_log
