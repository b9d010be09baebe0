// crashwriter.exe: the process the crash harness (tests/crash/crash.py) kills.
// Placed beside morvane.exe, it changes that program's command file and
// counters through the program's own code, one operation after another, as
// fast as it can.
//
//   crashwriter.exe serve FOLDER
//     Waits for FOLDER\go, removes it, runs "crashwriter.exe run" on
//     FOLDER\ops.txt, FOLDER\progress and FOLDER\counters.txt as a process
//     of its own, writes that process's exit code to FOLDER\ended when it
//     has gone (whether it finished or was killed), and waits again; ends
//     when FOLDER\stop appears. Starting a process here costs far less than
//     a start through the device's verbs, so an interruption costs little
//     more than the operations it cuts short.
//
//   crashwriter.exe run OPS PROGRESS COUNTERS
//     First writes the usage counters it finds to COUNTERS ("NAME=VALUE"
//     lines). Then, before operation i (from 0), writes i to PROGRESS as 4
//     little-endian bytes in one write, so that after a kill PROGRESS names
//     the one operation that may have been cut short; after the last, the
//     number of operations.
//
// OPS holds one operation per line, UTF-8, fields separated by tabs:
//   append COMMAND          appendCommand
//   edit NAME COMMAND       findCommand(NAME), then replaceCommand of it
//   delete NAME             deleteCommand
//   count NAME              incrementCounter
// COMMAND is every field of a Command, in this order: name, actionKind,
// cleanupOptions, folderPath, includeSubfolders, programPath,
// programArguments, messageText, soundName, soundRepeatCount, triggerKind,
// recurrence, timeMode, hour, minute, weekdayMask, monthlyMode, monthlyDay,
// monthlyWeek, monthlyWeekday, yearlyMode, yearlyMonth, yearlyDay,
// yearlyWeek, yearlyWeekday, yearlyWeekMonth, onceDay, onceMonth, onceYear.
//
// A message box that the program's code shows (a change that failed) is
// answered at once and its text written to PROGRESS.failed; the writer then
// ends with exit code 1. Exit code 0 when every operation ran, 2 on bad input.
#include "commands/command_file.h"
#include "platform/scoped.h"
#include "platform/text.h"
#include "shell/app_state.h"
#include "shell/settings_store.h"

#include <cstdlib>
#include <iterator>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr size_t CommandFields = 29;

std::wstring failuresPath;

// Notes the text of every message box and answers it, so that a failure ends
// the writer instead of leaving it waiting for a tap.
LRESULT CALLBACK onCbt(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        HWND window = reinterpret_cast<HWND>(wParam);
        wchar_t className[16] = L"";
        GetClassNameW(window, className, static_cast<int>(std::size(className)));
        if (wcscmp(className, L"#32770") == 0) {
            wchar_t text[1024] = L"";
            GetDlgItemTextW(window, 0xFFFF, text, static_cast<int>(std::size(text)));
            ScopedHandle file(CreateFileW(failuresPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                          OPEN_ALWAYS, 0, nullptr));
            char utf8[4096];
            int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8 - 1, nullptr, nullptr);
            DWORD written = 0;
            if (file && length > 0) {
                utf8[length - 1] = '\n';
                WriteFile(file.get(), utf8, static_cast<DWORD>(length), &written, nullptr);
            }
            PostMessageW(window, WM_COMMAND, IDOK, 0);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

std::wstring widen(const std::string& text)
{
    if (text.empty()) return {};
    int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::vector<std::wstring> split(const std::wstring& line)
{
    std::vector<std::wstring> fields;
    size_t start = 0;
    for (;;) {
        size_t end = line.find(L'\t', start);
        fields.push_back(line.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        if (end == std::wstring::npos) return fields;
        start = end + 1;
    }
}

bool readLines(const wchar_t* path, std::vector<std::wstring>& lines)
{
    ScopedHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    std::string bytes;
    char block[65536];
    DWORD got = 0;
    while (ReadFile(file.get(), block, sizeof block, &got, nullptr) && got) bytes.append(block, got);
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        if (end > start) lines.push_back(widen(bytes.substr(start, end - start)));
        start = end + 1;
    }
    return true;
}

WORD word(const std::wstring& text) { return static_cast<WORD>(wcstoul(text.c_str(), nullptr, 10)); }

bool parseCommand(const std::vector<std::wstring>& fields, size_t first, Command& command)
{
    if (fields.size() != first + CommandFields) return false;
    const std::wstring* f = &fields[first];
    Command::ActionData& action = command.action;
    Command::Schedule& schedule = command.schedule;
    if (!copyText(command.commandName, f[0].c_str())) return false;
    command.actionKind = static_cast<ActionKind>(word(f[1]));
    action.cleanupOptions = word(f[2]);
    if (!copyText(action.folderPath, f[3].c_str())) return false;
    action.includeSubfolders = _wtoi(f[4].c_str());
    if (!copyText(action.programPath, f[5].c_str()) || !copyText(action.programArguments, f[6].c_str()) ||
        !copyText(action.messageText, f[7].c_str()) || !copyText(action.soundName, f[8].c_str()))
        return false;
    action.soundRepeatCount = _wtoi(f[9].c_str());
    command.triggerKind = static_cast<TriggerKind>(word(f[10]));
    schedule.recurrence = static_cast<Recurrence>(word(f[11]));
    schedule.timeMode = static_cast<TimeMode>(word(f[12]));
    schedule.runTime.wHour = word(f[13]);
    schedule.runTime.wMinute = word(f[14]);
    schedule.weekdayMask = word(f[15]);
    schedule.monthlyMode = static_cast<MonthlyMode>(word(f[16]));
    schedule.monthlyDay = word(f[17]);
    schedule.monthlyWeek = word(f[18]);
    schedule.monthlyWeekday = word(f[19]);
    schedule.yearlyMode = static_cast<YearlyMode>(word(f[20]));
    schedule.yearlyMonth = word(f[21]);
    schedule.yearlyDay = word(f[22]);
    schedule.yearlyWeek = word(f[23]);
    schedule.yearlyWeekday = word(f[24]);
    schedule.yearlyWeekMonth = word(f[25]);
    schedule.onceDay = word(f[26]);
    schedule.onceMonth = word(f[27]);
    schedule.onceYear = word(f[28]);
    return true;
}

// One operation; false when the program's code reported a failure.
bool runOperation(const std::vector<std::wstring>& fields)
{
    const std::wstring& verb = fields[0];
    CommandFile file;
    if (verb == L"append") {
        Command command;
        return parseCommand(fields, 1, command) && file.appendCommand(command);
    }
    if (verb == L"edit" && fields.size() > 1) {
        Command stored, edited;
        return parseCommand(fields, 2, edited) && file.findCommand(fields[1].c_str(), stored) &&
               file.replaceCommand(stored, edited);
    }
    if (verb == L"delete" && fields.size() == 2) return file.deleteCommand(fields[1].c_str());
    if (verb == L"count" && fields.size() == 2) return SettingsStore().incrementCounter(fields[1].c_str());
    return false;
}

bool writeCounters(const wchar_t* path)
{
    std::string text;
    SettingsStore settings;
    for (const char* name : {"ExeCmds", "TidewellCmds", "SoundCmds", "MsgBoxCmds", "DelDirCmds", "CloseCmds"}) {
        std::wstring wide(name, name + strlen(name));
        text += std::string(name) + "=" + std::to_string(settings.getDword(wide.c_str())) + "\n";
    }
    ScopedHandle file(CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return file && WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

int run(const wchar_t* opsPath, const wchar_t* progressPath, const wchar_t* countersPath)
{
    std::vector<std::wstring> lines;
    if (!readLines(opsPath, lines)) return 2;
    std::vector<std::vector<std::wstring>> operations;
    for (const std::wstring& line : lines) operations.push_back(split(line));
    if (!writeCounters(countersPath)) return 2;

    ScopedHandle progress(CreateFileW(progressPath, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr));
    if (!progress) return 2;
    auto note = [&progress](DWORD index) {
        OVERLAPPED at{};   // offset 0
        DWORD written = 0;
        return WriteFile(progress.get(), &index, sizeof index, &written, &at) && written == sizeof index;
    };
    for (DWORD i = 0; i < operations.size(); ++i) {
        if (!note(i)) return 2;
        if (!runOperation(operations[i])) return 1;
    }
    // One past the last: all done (a killed process's exit code says nothing
    // here).
    return note(static_cast<DWORD>(operations.size())) ? 0 : 2;
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

int serve(const std::wstring& folder)
{
    wchar_t self[MAX_PATH];
    if (!GetModuleFileNameW(nullptr, self, MAX_PATH)) return 2;
    const std::wstring go = folder + L"\\go", ended = folder + L"\\ended";
    std::wstring line = L"\"" + std::wstring(self) + L"\" run \"" + folder + L"\\ops.txt\" \"" + folder +
                        L"\\progress\" \"" + folder + L"\\counters.txt\"";
    while (!exists(folder + L"\\stop")) {
        if (!exists(go)) {
            Sleep(5);
            continue;
        }
        DeleteFileW(go.c_str());
        std::vector<wchar_t> commandLine(line.begin(), line.end());
        commandLine.push_back(L'\0');
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        DWORD exitCode = 255;
        if (CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                           &process)) {
            CloseHandle(process.hThread);
            WaitForSingleObject(process.hProcess, INFINITE);
            GetExitCodeProcess(process.hProcess, &exitCode);
            CloseHandle(process.hProcess);
        }
        std::string text = std::to_string(exitCode);
        ScopedHandle file(CreateFileW(ended.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0,
                                      nullptr));
        DWORD written = 0;
        if (file) WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
    return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    instanceHandle = instance;
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments) return 2;
    int result = 2;
    if (count == 5 && wcscmp(arguments[1], L"run") == 0) {
        failuresPath = std::wstring(arguments[3]) + L".failed";
        SetWindowsHookExW(WH_CBT, onCbt, nullptr, GetCurrentThreadId());
        result = run(arguments[2], arguments[3], arguments[4]);
    } else if (count == 3 && wcscmp(arguments[1], L"serve") == 0) {
        result = serve(arguments[2]);
    }
    LocalFree(arguments);
    return result;
}
