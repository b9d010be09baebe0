// e2e_agent.exe: the end-to-end scripts' resident hands inside a device.
// Starting a Wine program costs a device step most of its time, and a script
// takes hundreds of steps; the agent takes them instead, one after another,
// from request files that the script drops into \e2e\agent:
//
//   ID.req   first line "client" or "tool", second line the verb line (UTF-8)
//   ID.rc    the agent's answer: the verb's exit code, written once it is done
//
// It runs beside morvane.exe, so that the tool's verbs find its command file.
// One agent per device: a second one ends at once. A step that would hold it
// (the client's "wait") is never sent here.
#include "tests/emulator/e2e_verbs.h"

#include "platform/scoped.h"
#include "shell/app_state.h"

#include <windows.h>
#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr wchar_t Folder[] = L"C:\\e2e\\agent";
constexpr wchar_t MutexName[] = L"MorvaneE2eAgent";
// A request the notification missed is still seen this often.
constexpr DWORD LookEveryMs = 50;

bool readAll(const std::wstring& path, std::string& bytes)
{
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read) bytes.append(buffer, read);
    return true;
}

std::wstring wide(const std::string& text)
{
    if (text.empty()) return {};
    int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length);
    return out;
}

// The answer appears whole: written beside, then renamed.
void answer(const std::wstring& id, int code)
{
    std::wstring part = std::wstring(Folder) + L"\\" + id + L".part";
    std::string text = std::to_string(code) + "\n";
    {
        ScopedHandle file(CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!file || !WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr))
            return;
    }
    MoveFileExW(part.c_str(), (std::wstring(Folder) + L"\\" + id + L".rc").c_str(), MOVEFILE_REPLACE_EXISTING);
}

int take(const std::string& request)
{
    size_t newline = request.find('\n');
    if (newline == std::string::npos) return 2;
    std::string kind = request.substr(0, newline);
    std::wstring line = wide(request.substr(newline + 1));
    if (kind == "client") return e2e_client::run(line);
    if (kind == "tool") return e2e_commands::run(line);
    return 2;
}

// Every waiting request, oldest first (their names begin with the moment
// they were made).
std::vector<std::wstring> waiting()
{
    std::vector<std::wstring> ids;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((std::wstring(Folder) + L"\\*.req").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return ids;
    do {
        std::wstring name = found.cFileName;
        ids.push_back(name.substr(0, name.size() - 4));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(ids.begin(), ids.end());
    return ids;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    instanceHandle = instance;
    ScopedHandle one(CreateMutexW(nullptr, TRUE, MutexName));
    if (!one || GetLastError() == ERROR_ALREADY_EXISTS) return 0;
    CreateDirectoryW(L"C:\\e2e", nullptr);
    CreateDirectoryW(Folder, nullptr);
    HANDLE change = FindFirstChangeNotificationW(Folder, FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
    for (;;) {
        for (const std::wstring& id : waiting()) {
            std::wstring path = std::wstring(Folder) + L"\\" + id + L".req";
            std::string request;
            // Taken once: the script gives a request up by removing it.
            if (!readAll(path, request) || !DeleteFileW(path.c_str())) continue;
            answer(id, take(request));
        }
        if (change == INVALID_HANDLE_VALUE) {
            Sleep(LookEveryMs);
        } else {
            WaitForSingleObject(change, LookEveryMs);
            FindNextChangeNotification(change);
        }
    }
}
