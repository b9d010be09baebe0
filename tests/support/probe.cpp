// probe.exe: a stand-in program for the tests. It appends one line to
// "probe.log" beside itself, in UTF-8: the program path its creator gave, a
// tab, and the arguments it was given, exactly, between brackets; then it
// ends with exit code 7.
#include "platform/device.h"

#include <windows.h>
#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring log = path;
    log = log.substr(0, log.find_last_of(L'\\') + 1) + L"probe.log";

    std::wstring full = GetCommandLineW();
    const wchar_t* arguments = ce::CommandLine();
    std::wstring image = full.substr(0, static_cast<size_t>(arguments - GetCommandLineW()));
    while (!image.empty() && (image.back() == L' ' || image.back() == L'"')) image.pop_back();
    if (!image.empty() && image.front() == L'"') image.erase(0, 1);
    std::wstring line = image + L"\t[" + arguments + L"]\n";
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
