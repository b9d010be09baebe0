// soakprobe.exe: the soak's action. Appends one line to "soak.log" beside
// itself: its arguments (the command's name), a tab, and the device clock
// ("YYYY-MM-DD HH:MM:SS"), in UTF-8.
#include "platform/device.h"

#include <windows.h>
#include <cstdio>
#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring log = path;
    log = log.substr(0, log.find_last_of(L'\\') + 1) + L"soak.log";

    SYSTEMTIME now;
    ce::GetLocalTime(&now);
    wchar_t when[32];
    swprintf(when, 32, L"%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
             now.wSecond);
    std::wstring line = std::wstring(ce::CommandLine()) + L"\t" + when + L"\n";
    int n = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), bytes.data(), n, nullptr, nullptr);

    // Several probes may start at once: each appends whole lines.
    HANDLE file = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    BOOL ok = file != INVALID_HANDLE_VALUE && WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return ok ? 0 : 1;
}
