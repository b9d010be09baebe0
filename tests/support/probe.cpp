// probe.exe: a stand-in program for the tests. It appends one line to
// "probe.log" beside itself: the arguments it was given, exactly, in UTF-8,
// between brackets; then it ends with exit code 7.
#include "platform/device.h"

#include <windows.h>
#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring log = path;
    log = log.substr(0, log.find_last_of(L'\\') + 1) + L"probe.log";

    std::wstring line = L"[" + std::wstring(ce::CommandLine()) + L"]\n";
    int n = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string bytes(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), bytes.data(), n,
                        nullptr, nullptr);

    HANDLE file = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return 7;
}
