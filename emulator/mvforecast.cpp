// mvforecast.exe: what the stored commands of the device will do over the
// next DAYS days (default 7) from the device clock, one line per run, in time
// order. It reads the command file of the installed program and its last-run
// date and changes nothing.
//
//   mvforecast.exe [DAYS]      exit code 0, 1 when the commands cannot be read, 2 for bad arguments
//   mvforecast.exe why NAME    what keeps the command from running (emulator/why.h); exit code 0,
//                              1 when no command of that name is stored
#include "commands/command_file.h"
#include "platform/scoped.h"
#include "platform/text.h"
#include "emulator/forecast.h"
#include "emulator/why.h"
#include "platform/notification_db.h"
#include "platform/notify.h"

#include <windows.h>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr wchar_t InstallKey[] = L"Software\\Apps\\Quillon Software Morvane";
constexpr wchar_t SettingsKey[] = L"Software\\Quillon Software\\Morvane";
constexpr int LongestForecastDays = 3660;

void write(DWORD which, const std::wstring& text)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                   nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                        nullptr);
    DWORD written = 0;
    WriteFile(GetStdHandle(which), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

int fail(const std::wstring& message, int code)
{
    write(STD_ERROR_HANDLE, L"forecast: " + message + L"\n");
    return code;
}

// Read without creating anything: a missing value reads as 0.
DWORD settingOf(const wchar_t* name)
{
    DWORD value = 0, size = sizeof value;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, SettingsKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
        ERROR_SUCCESS)
        return 0;
    return value;
}

bool installFolder(wchar_t (&folder)[PathCapacity])
{
    DWORD size = sizeof folder;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, InstallKey, L"InstallDir", RRF_RT_REG_SZ, nullptr, folder, &size) !=
        ERROR_SUCCESS)
        return false;
    size_t length = wcslen(folder);
    while (length > 0 && folder[length - 1] == L'\\') folder[--length] = L'\0';
    return true;
}

bool doneToday(const CalendarDate& now)
{
    return settingOf(L"LastRunYear") == now.GetYear() && settingOf(L"LastRunMonth") == now.GetMonth() &&
           settingOf(L"LastRunDay") == now.GetDay();
}

// The stored commands; false when Morvane is not installed.
bool storedCommands(std::vector<Command>& commands, std::wstring& dataFolder)
{
    wchar_t folder[PathCapacity];
    if (!installFolder(folder)) return false;
    CommandFile file(folder);
    dataFolder = file.dataFolderPath();
    // Opening the file would create it; a device without one has no commands.
    if (GetFileAttributesW((dataFolder + L"\\zelvane.dat").c_str()) != INVALID_FILE_ATTRIBUTES) {
        Command command;
        for (DWORD index = 0; file.readNextCommand(index, command); ++index) commands.push_back(command);
    }
    return true;
}

// The run history's whole lines: a last line without its line end is torn.
std::vector<std::wstring> historyLines(const std::wstring& path)
{
    std::vector<std::wstring> lines;
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart > 64 * 1024 * 1024) return lines;
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)) return lines;
    bytes.resize(got);
    for (size_t start = 0, end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1) {
        const int length = static_cast<int>(end - start);
        std::wstring line(static_cast<size_t>(length), L'\0');
        line.resize(static_cast<size_t>(
            MultiByteToWideChar(CP_UTF8, 0, bytes.data() + start, length, line.data(), length)));
        lines.push_back(line);
    }
    return lines;
}

int whyCommand(const std::wstring& name)
{
    why::DeviceState state;
    std::wstring dataFolder;
    if (!storedCommands(state.commands, dataFolder)) return fail(L"Morvane is not installed (no \"InstallDir\")", 1);
    state.firstPowerOnDoneToday = doneToday(state.now);
    state.commandsEnabled = settingOf(L"EnableCommands") != 0;
    const auto isLauncher = [](const std::wstring& program) {
        return _wcsicmp(program.c_str(), L"\\windows\\mvlaunch.exe") == 0;
    };
    for (const auto& registration : notification_db::eventRegistrations())
        if (registration.event == NOTIFICATION_EVENT_WAKEUP && isLauncher(registration.program))
            state.wakeupRegistered = true;
    for (const auto& registration : notification_db::timedRegistrations())
        if (isLauncher(registration.program)) state.timedRegistered = true;
    state.startupEntry = GetFileAttributesW(L"\\Windows\\StartUp\\Morvane.lnk") != INVALID_FILE_ATTRIBUTES;
    state.history = historyLines(dataFolder + L"\\history.txt");
    state.exists = [](const wchar_t* path) { return path[0] && GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; };
    bool stored = false;
    write(STD_OUTPUT_HANDLE, why::answer(name, state, stored));
    return stored ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc >= 2 && wcscmp(argv[1], L"why") == 0) {
        if (argc != 3) return fail(L"usage: why NAME", 2);
        return whyCommand(argv[2]);
    }
    int days = 7;
    if (argc > 2) return fail(L"usage: forecast [DAYS]", 2);
    if (argc == 2) {
        wchar_t* end = nullptr;
        long value = wcstol(argv[1], &end, 10);
        if (!*argv[1] || *end || value < 1 || value > LongestForecastDays)
            return fail(L"DAYS must be a whole number from 1 to " + std::to_wstring(LongestForecastDays), 2);
        days = static_cast<int>(value);
    }
    std::vector<Command> commands;
    std::wstring dataFolder;
    if (!storedCommands(commands, dataFolder)) return fail(L"Morvane is not installed (no \"InstallDir\")", 1);
    CalendarDate now;
    const bool doneToday = ::doneToday(now);
    std::wstring text;
    for (const forecast::Run& run : forecast::runs(commands, now, days, doneToday)) text += forecast::line(run) + L"\n";
    if (commands.empty()) text = L"no commands stored\n";
    write(STD_OUTPUT_HANDLE, text);
    return 0;
}
