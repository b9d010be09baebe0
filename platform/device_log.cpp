#include "platform/device_log.h"
#include "platform/device.h"
#include "platform/scoped.h"

#include <windows.h>
#include <cwchar>
#include <iterator>

namespace {

constexpr wchar_t LogVariable[] = L"DEVICE_LOG";

const std::wstring& logPath()
{
    static const std::wstring path = [] {
        wchar_t value[MAX_PATH] = L"";
        DWORD length = GetEnvironmentVariableW(LogVariable, value, static_cast<DWORD>(std::size(value)));
        return length > 0 && length < std::size(value) ? std::wstring(value) : std::wstring();
    }();
    return path;
}

std::wstring programName()
{
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
    const wchar_t* name = wcsrchr(path, L'\\');
    return name ? name + 1 : path;
}

// Every program of the device says when it started and with what arguments.
const bool startWritten = [] {
    if (device_log::enabled()) device_log::write(L"start\t" + std::wstring(ce::CommandLine()));
    return true;
}();

} // namespace

namespace device_log {

bool enabled() { return !logPath().empty(); }

void write(const std::wstring& what)
{
    if (!enabled()) return;
    SYSTEMTIME host, device;
    GetSystemTime(&host);
    ce::GetLocalTime(&device);
    wchar_t times[96];
    swprintf(times, std::size(times), L"%04u-%02u-%02u %02u:%02u:%02u.%03u\t%04u-%02u-%02u %02u:%02u:%02u\t%lu\t",
             host.wYear, host.wMonth, host.wDay, host.wHour, host.wMinute, host.wSecond,
             host.wMilliseconds, device.wYear, device.wMonth, device.wDay, device.wHour,
             device.wMinute, device.wSecond, GetCurrentProcessId());
    std::wstring line = times + programName() + L"\t" + what + L"\n";
    int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0,
                                   nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), bytes.data(), size,
                        nullptr, nullptr);
    // Appended whole, one write per line: programs write at the same time.
    ScopedHandle file(CreateFileW(logPath().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file) WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

} // namespace device_log
