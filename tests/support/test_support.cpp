#include "tests/support/test_support.h"
#include "platform/device.h"
#include "platform/scoped.h"

#include <vector>

namespace test {

std::wstring hostPath(const char* unixPath)
{
    std::wstring path = L"Z:";
    for (const char* p = unixPath; *p; ++p) path += (*p == '/') ? L'\\' : static_cast<wchar_t>(*p);
    return path;
}

std::wstring unixPathOf(const std::wstring& path)
{
    using UnixName = char*(CDECL*)(const wchar_t*);
    auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixName ? unixName(path.c_str()) : nullptr;
    if (!name) return L"";
    std::wstring wide;
    for (const char* p = name; *p; ++p) wide += static_cast<wchar_t>(*p == '/' ? '\\' : *p);
    HeapFree(GetProcessHeap(), 0, name);
    return wide;
}

std::wstring morvaneExe() { return hostPath(MORVANE_EXE_PATH); }
std::wstring mvlaunchExe() { return hostPath(MVLAUNCH_EXE_PATH); }
std::wstring probeExe() { return hostPath(PROBE_EXE_PATH); }

std::wstring thisExe()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

HANDLE startProgram(const std::wstring& image, const std::wstring& arguments)
{
    std::vector<wchar_t> line(arguments.begin(), arguments.end());
    line.push_back(L'\0');
    PROCESS_INFORMATION process{};
    // The build's programs run from drive Z:, which the device does not have.
    if (!ce::CreateHarnessProcessW(image.c_str(), line.data(), 0, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

ProcessResult waitProgram(HANDLE process, DWORD timeoutMs)
{
    ProcessResult result;
    if (!process) return result;
    if (WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0) {
        result.finished = true;
        GetExitCodeProcess(process, &result.exitCode);
    } else {
        TerminateProcess(process, 255);
        WaitForSingleObject(process, 5000);
    }
    CloseHandle(process);
    return result;
}

ProcessResult runProgram(const std::wstring& image, const std::wstring& arguments, DWORD timeoutMs)
{
    return waitProgram(startProgram(image, arguments), timeoutMs);
}

SYSTEMTIME moment(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second)
{
    SYSTEMTIME t{};
    t.wYear = year;
    t.wMonth = month;
    t.wDay = day;
    t.wHour = hour;
    t.wMinute = minute;
    t.wSecond = second;
    return t;
}

bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(20);
    }
}

ScratchFolder::ScratchFolder(const wchar_t* tag)
{
    static unsigned serial = 0;
    wchar_t name[MAX_PATH];
    swprintf(name, MAX_PATH, L"C:\\tests\\%ls-%lu-%u", tag, GetCurrentProcessId(), ++serial);
    path_ = name;
    removeTree(path_);
    CreateDirectoryW(L"C:\\tests", nullptr);
    CreateDirectoryW(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() { removeTree(path_); }

void removeTree(const std::wstring& folder)
{
    WIN32_FIND_DATAW entry;
    ScopedFind find(FindFirstFileW((folder + L"\\*").c_str(), &entry));
    if (find) {
        do {
            std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring full = folder + L"\\" + name;
            SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) removeTree(full);
            else DeleteFileW(full.c_str());
        } while (FindNextFileW(find.get(), &entry));
    }
    find.reset();
    RemoveDirectoryW(folder.c_str());
}

bool fileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string readFileBytes(const std::wstring& path)
{
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE |
                                  FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr));
    std::string bytes;
    if (!file) return bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got) bytes.append(buffer, got);
    return bytes;
}

std::wstring readFileText(const std::wstring& path)
{
    std::string bytes = readFileBytes(path);
    int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
    return text;
}

bool writeFileBytes(const std::wstring& path, const std::string& bytes)
{
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                             nullptr) && written == bytes.size();
}

void deleteMachineKey(const wchar_t* path)
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, path);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, path);
}

HANDLE startChild(const std::wstring& mode, const std::wstring& argument)
{
    std::wstring arguments = L"--child " + mode;
    if (!argument.empty()) arguments += L" \"" + argument + L"\"";
    return startProgram(thisExe(), arguments);
}

ProcessResult runChild(const std::wstring& mode, const std::wstring& argument, DWORD timeoutMs)
{
    return waitProgram(startChild(mode, argument), timeoutMs);
}

} // namespace test
