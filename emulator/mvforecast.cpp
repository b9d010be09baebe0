// mvforecast.exe: what the stored commands of the device will do over the
// next DAYS days (default 7) from the device clock, one line per run, in time
// order. It reads the command file of the installed program and its last-run
// date and changes nothing.
//
//   mvforecast.exe [DAYS]      exit code 0, 1 when the commands cannot be read, 2 for bad arguments
#include "commands/command_file.h"
#include "platform/scoped.h"
#include "platform/text.h"
#include "emulator/forecast.h"

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

} // namespace

int wmain(int argc, wchar_t** argv)
{
    int days = 7;
    if (argc > 2) return fail(L"usage: forecast [DAYS]", 2);
    if (argc == 2) {
        wchar_t* end = nullptr;
        long value = wcstol(argv[1], &end, 10);
        if (!*argv[1] || *end || value < 1 || value > LongestForecastDays)
            return fail(L"DAYS must be a whole number from 1 to " + std::to_wstring(LongestForecastDays), 2);
        days = static_cast<int>(value);
    }
    wchar_t folder[PathCapacity];
    if (!installFolder(folder)) return fail(L"Morvane is not installed (no \"InstallDir\")", 1);

    std::vector<Command> commands;
    CommandFile file(folder);
    std::wstring path = std::wstring(file.dataFolderPath()) + L"\\zelvane.dat";
    // Opening the file would create it; a device without one has no commands.
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        Command command;
        for (DWORD index = 0; file.readNextCommand(index, command); ++index) commands.push_back(command);
    }

    CalendarDate now;
    const bool doneToday = settingOf(L"LastRunYear") == now.GetYear() &&
                           settingOf(L"LastRunMonth") == now.GetMonth() && settingOf(L"LastRunDay") == now.GetDay();
    std::wstring text;
    for (const forecast::Run& run : forecast::runs(commands, now, days, doneToday)) text += forecast::line(run) + L"\n";
    if (commands.empty()) text = L"no commands stored\n";
    write(STD_OUTPUT_HANDLE, text);
    return 0;
}
