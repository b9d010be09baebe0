// e2e_commands.exe: writes commands into the command file of the morvane.exe
// it is placed beside (its "Data" folder), through the program's own command
// file code. One command per start (or per request to e2e_agent.exe); its
// one argument holds the fields separated by "|":
//
//   NAME|TRIGGER|ACTION|FIELD...
//
// TRIGGER: power-on, first-of-day, reset, or a schedule
//   daily@HH:MM  weekly@MASK@HH:MM  once@YYYY-MM-DD@HH:MM
//   daily@first  weekly@MASK@first  once@YYYY-MM-DD@first
//   monthly@day@DAY@TIME  monthly@week@INDEX@WEEKDAY@TIME
//   yearly@date@MONTH@DAY@TIME  yearly@week@INDEX@WEEKDAY@MONTH@TIME
//   recurrence@NUMBER@TIME   (a raw recurrence value; TIME is HH:MM or first)
// ACTION and its fields:
//   launch|PROGRAM|ARGUMENTS   clean|FOLDER|0 or 1   message|TEXT (\n for a line break)
//   sound|NAME|COUNT           close                 cleanup
//
// Other verbs, for looking at and preparing the program's state:
//   delete|NAME        deletes every command of that name
//   exists|NAME        exit code 0 when a command of that name is stored, else 1
//   clear              removes the command file (and a leftover copy), the run history and
//                      Morvane's settings key
//   setting|NAME|VALUE a REG_DWORD of the settings key
//   counter|NAME       exit code: the setting's value (modulo 256)
//   counters|NAME|...  the settings' values, blank-separated, into \e2e\counters.txt
//   next|NAMES         "NextScheduled" as the scheduler writes it
//   spawn|PROGRAM|ARGUMENTS   starts a program and returns at once
//   window|TITLE       exit code 0 when a visible top-level window has the title
//   close-window|TITLE posts WM_CLOSE to it
// Exit code 0 on success, 1 on failure, 2 for words it does not know.
#include "tests/emulator/e2e_verbs.h"

#include "commands/command_file.h"
#include "platform/device.h"
#include "platform/text.h"
#include "shell/settings_store.h"

#include <cwchar>
#include <string>
#include <vector>

namespace {

std::vector<std::wstring> split(const std::wstring& text, wchar_t separator)
{
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        if (end == std::wstring::npos) return parts;
        start = end + 1;
    }
}

bool setTime(Command::Schedule& schedule, const std::wstring& time)
{
    if (time == L"first") {
        schedule.timeMode = TimeMode::AtFirstPowerOn;
        return true;
    }
    unsigned hour = 0, minute = 0;
    if (swscanf(time.c_str(), L"%u:%u", &hour, &minute) != 2) return false;
    schedule.timeMode = TimeMode::AtSpecificTime;
    schedule.runTime.wHour = static_cast<WORD>(hour);
    schedule.runTime.wMinute = static_cast<WORD>(minute);
    return true;
}

WORD number(const std::wstring& text) { return static_cast<WORD>(wcstoul(text.c_str(), nullptr, 10)); }

// The monthly and yearly variants and raw recurrence values.
bool setCalendar(Command::Schedule& schedule, const std::vector<std::wstring>& parts)
{
    const std::wstring variant = parts.size() > 1 ? parts[1] : std::wstring();
    if (parts[0] == L"monthly" && variant == L"day" && parts.size() == 4) {
        schedule.recurrence = Recurrence::Monthly;
        schedule.monthlyMode = MonthlyMode::MonthlyByDay;
        schedule.monthlyDay = number(parts[2]);
    } else if (parts[0] == L"monthly" && variant == L"week" && parts.size() == 5) {
        schedule.recurrence = Recurrence::Monthly;
        schedule.monthlyMode = MonthlyMode::MonthlyByWeekday;
        schedule.monthlyWeek = number(parts[2]);
        schedule.monthlyWeekday = number(parts[3]);
    } else if (parts[0] == L"yearly" && variant == L"date" && parts.size() == 5) {
        schedule.recurrence = Recurrence::Yearly;
        schedule.yearlyMode = YearlyMode::YearlyByDate;
        schedule.yearlyMonth = number(parts[2]);
        schedule.yearlyDay = number(parts[3]);
    } else if (parts[0] == L"yearly" && variant == L"week" && parts.size() == 6) {
        schedule.recurrence = Recurrence::Yearly;
        schedule.yearlyMode = YearlyMode::YearlyByWeekday;
        schedule.yearlyWeek = number(parts[2]);
        schedule.yearlyWeekday = number(parts[3]);
        schedule.yearlyWeekMonth = number(parts[4]);
    } else if (parts[0] == L"recurrence" && parts.size() == 3) {
        schedule.recurrence = static_cast<Recurrence>(number(parts[1]));
    } else {
        return false;
    }
    return true;
}

bool setTrigger(Command& command, const std::wstring& trigger)
{
    if (trigger == L"power-on") command.triggerKind = TriggerKind::AfterPowerOn;
    else if (trigger == L"first-of-day") command.triggerKind = TriggerKind::FirstPowerOnOfDay;
    else if (trigger == L"reset") command.triggerKind = TriggerKind::AfterReset;
    else {
        std::vector<std::wstring> parts = split(trigger, L'@');
        Command::Schedule& schedule = command.schedule;
        command.triggerKind = TriggerKind::OnSchedule;
        if (parts[0] == L"daily" && parts.size() == 2) {
            schedule.recurrence = Recurrence::Daily;
        } else if (parts[0] == L"weekly" && parts.size() == 3) {
            schedule.recurrence = Recurrence::Weekly;
            schedule.weekdayMask = static_cast<WORD>(wcstoul(parts[1].c_str(), nullptr, 10));
        } else if (parts[0] == L"once" && parts.size() == 3) {
            unsigned year = 0, month = 0, day = 0;
            if (swscanf(parts[1].c_str(), L"%u-%u-%u", &year, &month, &day) != 3) return false;
            schedule.recurrence = Recurrence::Once;
            schedule.onceYear = static_cast<WORD>(year);
            schedule.onceMonth = static_cast<WORD>(month);
            schedule.onceDay = static_cast<WORD>(day);
        } else if (!setCalendar(schedule, parts)) {
            return false;
        }
        return setTime(schedule, parts.back());
    }
    return true;
}

bool setAction(Command& command, const std::vector<std::wstring>& fields)
{
    const std::wstring& action = fields[2];
    auto field = [&](size_t i) { return i < fields.size() ? fields[i] : std::wstring(); };
    if (action == L"launch") {
        command.actionKind = ActionKind::LaunchProgram;
        return copyText(command.action.programPath, field(3).c_str()) &&
               copyText(command.action.programArguments, field(4).c_str());
    }
    if (action == L"clean") {
        command.actionKind = ActionKind::CleanFolder;
        command.action.includeSubfolders = field(4) == L"1";
        return copyText(command.action.folderPath, field(3).c_str());
    }
    if (action == L"message") {
        command.actionKind = ActionKind::ShowMessage;
        std::wstring text = field(3);
        for (size_t at; (at = text.find(L"\\n")) != std::wstring::npos;) text.replace(at, 2, L"\r\n");
        return copyText(command.action.messageText, text.c_str());
    }
    if (action == L"sound") {
        command.actionKind = ActionKind::PlaySound;
        command.action.soundRepeatCount = static_cast<int32_t>(wcstol(field(4).c_str(), nullptr, 10));
        return copyText(command.action.soundName, field(3).c_str());
    }
    if (action == L"close") {
        command.actionKind = ActionKind::CloseAllPrograms;
        return true;
    }
    if (action == L"cleanup") {
        command.actionKind = ActionKind::Cleanup;
        return true;
    }
    return false;
}

constexpr wchar_t SettingsKey[] = L"Software\\Quillon Software\\Morvane";

HWND visibleWindowTitled(const std::wstring& title)
{
    struct Search {
        const std::wstring* title;
        HWND found;
    } search{&title, nullptr};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* s = reinterpret_cast<Search*>(parameter);
            wchar_t text[256] = L"";
            GetWindowTextW(window, text, 256);
            if (IsWindowVisible(window) && *s->title == text) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The verbs that look at or prepare state; -1 when the verb is not one of them.
int stateVerb(const std::vector<std::wstring>& fields, CommandFile& file)
{
    const std::wstring& verb = fields[0];
    auto field = [&](size_t i) { return i < fields.size() ? fields[i] : std::wstring(); };
    if (verb == L"delete") return file.deleteCommand(field(1).c_str()) ? 0 : 1;
    if (verb == L"exists") return file.commandExists(field(1).c_str()) ? 0 : 1;
    if (verb == L"clear") {
        // And the copy that a change which could not replace the file left
        // beside it: with the command file gone, the next open takes it back.
        DeleteFileW((std::wstring(file.dataFolderPath()) + L"\\zelvane.dat").c_str());
        DeleteFileW((std::wstring(file.dataFolderPath()) + L"\\_cmd_.tmp").c_str());
        DeleteFileW((std::wstring(file.dataFolderPath()) + L"\\history.txt").c_str());
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, SettingsKey);
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, SettingsKey);
        return 0;
    }
    SettingsStore settings;
    if (verb == L"setting")
        return settings.setDword(field(1).c_str(), wcstoul(field(2).c_str(), nullptr, 10)) ? 0 : 1;
    if (verb == L"counter") return static_cast<int>(settings.getDword(field(1).c_str()) & 0xFF);
    if (verb == L"counters") {
        std::string text;
        for (size_t i = 1; i < fields.size(); ++i)
            text += (i > 1 ? " " : "") + std::to_string(settings.getDword(fields[i].c_str()));
        text += "\n";
        CreateDirectoryW(L"C:\\e2e", nullptr);
        ScopedHandle out(CreateFileW(L"C:\\e2e\\counters.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        return out && WriteFile(out.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ? 0 : 1;
    }
    if (verb == L"next") return settings.setString(L"NextScheduled", field(1).c_str()) ? 0 : 1;
    if (verb == L"spawn") {
        std::wstring arguments = field(2);
        return ce::CreateProcessW(field(1).c_str(), arguments.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  nullptr, nullptr, nullptr) ? 0 : 1;
    }
    if (verb == L"window") return visibleWindowTitled(field(1)) ? 0 : 1;
    if (verb == L"close-window") {
        HWND window = visibleWindowTitled(field(1));
        return window && PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
    }
    return -1;
}

} // namespace

int e2e_commands::run(const std::wstring& line)
{
    std::vector<std::wstring> fields = split(line, L'|');
    CommandFile file;
    int state = stateVerb(fields, file);
    if (state >= 0) return state;
    if (fields.size() < 3) return 2;

    Command command;
    if (!copyText(command.commandName, fields[0].c_str()) || !setTrigger(command, fields[1]) ||
        !setAction(command, fields))
        return 2;
    return file.appendCommand(command) ? 0 : 1;
}
