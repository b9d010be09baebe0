#include "commands/command_runner.h"
#include "commands/command_file.h"
#include "commands/folder_cleaner.h"
#include "commands/message_window.h"
#include "commands/program_closer.h"
#include "platform/device.h"
#include "platform/sound.h"
#include "platform/text.h"
#include "schedule/calendar_date.h"
#include "schedule/due_test.h"
#include "schedule/timed_claim.h"
#include "shell/settings_store.h"

#include <cstdio>
#include <cwchar>

namespace {

// A test's player, heard through the platform's sound listener.
CommandRunner::SoundPlayer testPlayer = nullptr;

BOOL playWithTestPlayer(const wchar_t* path, DWORD)
{
    return testPlayer(path);
}

// The last power-on run's date, as stored; a missing date never matches.
struct RunDate {
    WORD day, month, year;
};

RunDate lastRunDate(SettingsStore& settings)
{
    return {static_cast<WORD>(settings.getDword(L"LastRunDay")),
            static_cast<WORD>(settings.getDword(L"LastRunMonth")),
            static_cast<WORD>(settings.getDword(L"LastRunYear"))};
}

bool ranToday(const RunDate& last)
{
    SYSTEMTIME today;
    ce::GetLocalTime(&today);
    return last.day == today.wDay && last.month == today.wMonth && last.year == today.wYear;
}

bool dueAtThisPowerOn(const Command& command, const RunDate& last)
{
    switch (command.triggerKind) {
    case TriggerKind::AfterPowerOn:
        return true;
    case TriggerKind::FirstPowerOnOfDay:
        return !ranToday(last);
    case TriggerKind::OnSchedule:
        if (command.schedule.timeMode != TimeMode::AtFirstPowerOn || ranToday(last)) return false;
        return isDueOnDate(command.schedule, CalendarDate());
    default:
        return false;   // timed commands, reset commands and unknown triggers
    }
}

int launchProgram(const Command& command)
{
    wchar_t arguments[PathCapacity];
    copyText(arguments, command.action.programArguments);
    PROCESS_INFORMATION process{};
    BOOL started = ce::CreateProcessW(command.action.programPath, arguments, nullptr, nullptr,
                                      FALSE, 0, nullptr, nullptr, nullptr, &process);
    if (started) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    return started;
}

int playSound(const Command& command)
{
    wchar_t path[PathCapacity];
    int length = swprintf(path, std::size(path), L"\\Windows\\%ls.wav", command.action.soundName);
    // A name too long for the path would play some other file: play nothing.
    if (length < 0 || static_cast<size_t>(length) >= std::size(path)) return 0;
    int result = 1;
    for (int i = 0; i < command.action.soundRepeatCount; ++i)
        result &= ce::PlaySoundW(path, nullptr, SND_NODEFAULT) ? 1 : 0;
    return result;
}

int showMessage(const Command& command, SettingsStore& settings)
{
    MessageWindow window;
    settings.incrementCounter(L"MsgBoxCmds");
    window.setText(command.action.messageText);
    window.show();
    return 1;
}

int cleanAndRecreateFolder(const Command& command)
{
    int removed = cleanFolder(command.action.folderPath, command.action.includeSubfolders);
    // A folder that was emptied and removed is made again, empty.
    if (removed) ce::CreateDirectoryW(command.action.folderPath, nullptr);
    return removed;
}

} // namespace

CommandRunner::CommandRunner() = default;
CommandRunner::~CommandRunner() = default;

void CommandRunner::setSoundPlayer(SoundPlayer player)
{
    testPlayer = player;
    ce::setSoundListener(player ? playWithTestPlayer : nullptr);
}

int CommandRunner::runPowerOnCommands()
{
    settings.incrementCounter(L"Starts");
    // The day is claimed before anything runs, in one step with reading the
    // date it replaces: a power-on while this run still shows a message, or
    // after it died part-way, finds the day taken, so the first power-on
    // commands of a day run at most once. Every record sees the date as it
    // was before this run.
    RunDate last;
    {
        SettingsLock lock;
        last = lastRunDate(settings);
        saveLastRunDate();
    }

    CommandFile file;
    Command command;
    for (DWORD index = 0; file.readNextCommand(index, command); ++index)
        if (dueAtThisPowerOn(command, last)) executeCommand(command);
    return 1;
}

int CommandRunner::runResetCommands()
{
    settings.incrementCounter(L"Starts");

    CommandFile file;
    Command command;
    for (DWORD index = 0; file.readNextCommand(index, command); ++index)
        if (command.triggerKind == TriggerKind::AfterReset) executeCommand(command);
    return 1;
}

int CommandRunner::runTimedCommands()
{
    // Read whole: the names due at one moment may be more than 129 characters.
    // A moment another run claimed already runs nothing here.
    HeapText names;
    if (!claimTimedRun(settings, names)) return 0;

    for (const wchar_t* start = names.c_str();;) {
        const wchar_t* end = wcschr(start, L';');
        const size_t length = end ? static_cast<size_t>(end - start) : wcslen(start);
        // No stored name is empty or longer than a name field holds.
        wchar_t name[PathCapacity];
        if (length > 0 && length < PathCapacity) {
            wmemcpy(name, start, length);
            name[length] = L'\0';
            CommandFile file;
            Command command;
            if (file.findCommand(name, command)) {
                executeCommand(command);
                if (command.schedule.recurrence == Recurrence::Once) file.deleteCommand(command.commandName);
            }
        }
        if (!end) break;
        start = end + 1;
    }
    return 1;
}

int CommandRunner::executeCommand(const Command& command)
{
    switch (command.actionKind) {
    case ActionKind::LaunchProgram:
        settings.incrementCounter(L"ExeCmds");
        return launchProgram(command);
    case ActionKind::Cleanup:
        // Its options are recorded and counted, not carried out.
        settings.incrementCounter(L"TidewellCmds");
        return 1;
    case ActionKind::PlaySound:
        settings.incrementCounter(L"SoundCmds");
        return playSound(command);
    case ActionKind::ShowMessage:
        return showMessage(command, settings);
    case ActionKind::CleanFolder:
        settings.incrementCounter(L"DelDirCmds");
        return cleanAndRecreateFolder(command);
    case ActionKind::CloseAllPrograms:
        settings.incrementCounter(L"CloseCmds");
        closeAllPrograms();
        return 1;
    default:
        return 1;
    }
}

void CommandRunner::saveLastRunDate()
{
    SYSTEMTIME today;
    ce::GetLocalTime(&today);
    settings.setDword(L"LastRunDay", today.wDay);
    settings.setDword(L"LastRunMonth", today.wMonth);
    settings.setDword(L"LastRunYear", today.wYear);
}
