#include "commands/command_runner.h"
#include "commands/command_file.h"
#include "commands/folder_cleaner.h"
#include "commands/message_window.h"
#include "commands/program_closer.h"
#include "commands/run_history.h"
#include "platform/device.h"
#include "platform/sound.h"
#include "platform/text.h"
#include "schedule/calendar_date.h"
#include "schedule/due_test.h"
#include "schedule/scheduler.h"
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

// "N things", or "1 thing".
bool appendCount(HeapText& text, unsigned long count, const wchar_t* noun)
{
    return text.appendNumber(count) && text.append(L" ") && text.append(noun) && (count == 1 || text.append(L"s"));
}

int launchProgram(const Command& command, HeapText& outcome)
{
    wchar_t arguments[PathCapacity];
    copyText(arguments, command.action.programArguments);
    PROCESS_INFORMATION process{};
    BOOL started = ce::CreateProcessW(command.action.programPath, arguments, nullptr, nullptr,
                                      FALSE, 0, nullptr, nullptr, nullptr, &process);
    const DWORD error = GetLastError();
    if (started) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        outcome.assign(L"started");
    } else if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME ||
               error == ERROR_BAD_PATHNAME) {
        // A path off the device is refused as one that does not exist.
        outcome.assign(L"not started: the program ") && outcome.append(command.action.programPath) &&
            outcome.append(L" does not exist");
    } else {
        outcome.assign(L"not started: error ") && outcome.appendNumber(error);
    }
    return started;
}

int playSound(const Command& command, HeapText& outcome)
{
    wchar_t path[PathCapacity];
    int length = swprintf(path, std::size(path), L"\\Windows\\%ls.wav", command.action.soundName);
    // A name too long for the path would play some other file: play nothing.
    if (length < 0 || static_cast<size_t>(length) >= std::size(path)) {
        outcome.assign(L"sound not found");
        return 0;
    }
    int played = 0;
    for (int i = 0; i < command.action.soundRepeatCount; ++i)
        if (ce::PlaySoundW(path, nullptr, SND_NODEFAULT)) ++played;
    const int repeats = command.action.soundRepeatCount > 0 ? command.action.soundRepeatCount : 0;
    if (repeats > 0 && played == 0)
        outcome.assign(ce::GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES ? L"sound not found"
                                                                               : L"sound could not be played");
    else outcome.assign(L"sound played ") && appendCount(outcome, static_cast<unsigned long>(played), L"time");
    return played == repeats ? 1 : 0;
}

int showMessage(const Command& command, SettingsStore& settings)
{
    MessageWindow window;
    settings.incrementCounter(L"MsgBoxCmds");
    window.setText(command.action.messageText);
    window.show();
    return 1;
}

int cleanAndRecreateFolder(const Command& command, HeapText& outcome)
{
    const wchar_t* folder = command.action.folderPath;
    if (ce::GetFileAttributesW(folder) == INVALID_FILE_ATTRIBUTES) {
        outcome.assign(L"not cleaned: the folder ") && outcome.append(folder) && outcome.append(L" does not exist");
        return 0;
    }
    CleanCounts counts;
    int removed = cleanFolder(folder, command.action.includeSubfolders, &counts);
    // A folder that was emptied and removed is made again, empty.
    if (removed) ce::CreateDirectoryW(folder, nullptr);
    outcome.clear();
    appendCount(outcome, counts.deleted, L"file") && outcome.append(L" deleted, ") &&
        outcome.appendNumber(counts.left) && outcome.append(L" left");
    return removed;
}

// Minutes since year 0, for comparing moments of the clock.
unsigned long long minuteOf(const SYSTEMTIME& t)
{
    return ((static_cast<unsigned long long>(t.wYear) * 13 + t.wMonth) * 32 + t.wDay) * 1440 + t.wHour * 60u +
           t.wMinute;
}

bool namedIn(const wchar_t* names, const wchar_t* name)
{
    const int nameLength = static_cast<int>(wcslen(name));
    for (const wchar_t* start = names;;) {
        const wchar_t* end = wcschr(start, L';');
        const int length = end ? static_cast<int>(end - start) : static_cast<int>(wcslen(start));
        if (CompareStringOrdinal(start, length, name, nameLength, TRUE) == CSTR_EQUAL) return true;
        if (!end) return false;
        start = end + 1;
    }
}

// A timed run that comes after its moment says, for every timed command,
// which of its moments from then to now did not run: the device was off. A
// command due at the moment makes them all up in its one run; any other
// command's moments of that stretch are not made up. A Once command keeps its
// moment however late, and runs at the next timed run: it misses nothing.
void recordMissedMoments(const SYSTEMTIME& due, const SYSTEMTIME& now, const wchar_t* names)
{
    constexpr int MostLinesPerCommand = 100;
    CommandFile file;
    Command command;
    for (DWORD index = 0; file.readNextCommand(index, command); ++index) {
        if (command.triggerKind != TriggerKind::OnSchedule || command.schedule.timeMode != TimeMode::AtSpecificTime ||
            command.schedule.recurrence == Recurrence::Once)
            continue;
        SYSTEMTIME moments[MostLinesPerCommand];
        int missed = 0;
        CalendarDate from, next;
        from.time = due;
        while (missed < MostLinesPerCommand && Scheduler::ComputeNextRun(command, next, from) &&
               minuteOf(next.time) <= minuteOf(now) && minuteOf(next.time) > minuteOf(from.time)) {
            moments[missed++] = next.time;
            from.Assign(next);
        }
        const bool madeUp = namedIn(names, command.commandName);
        for (int i = 0; i < missed; ++i) {
            wchar_t moment[StoredStringChars];
            HeapText trigger, outcome;
            if (!formatMoment(moments[i], moment) || !trigger.assign(L"timed, due ") || !trigger.append(moment) ||
                !outcome.assign(L"not run: its moment passed while the device was off; "))
                continue;
            if (madeUp) appendCount(outcome, static_cast<unsigned long>(missed + 1), L"moment") &&
                outcome.append(missed + 1 == 1 ? L" was made up by one run" : L" were made up by one run");
            else outcome.append(L"it was not made up");
            run_history::record(trigger.c_str(), command, outcome.c_str());
        }
    }
}

} // namespace

CommandRunner::CommandRunner() = default;
// The run history stays open for the run's lines, and no longer.
CommandRunner::~CommandRunner()
{
    run_history::letGo();
}

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
    for (DWORD index = 0; file.readNextCommand(index, command); ++index) {
        if (!dueAtThisPowerOn(command, last)) continue;
        trigger = command.triggerKind == TriggerKind::AfterPowerOn ? L"power-on" : L"first power-on of the day";
        executeCommand(command);
    }
    trigger = ByHand;
    return 1;
}

int CommandRunner::runResetCommands()
{
    settings.incrementCounter(L"Starts");

    CommandFile file;
    Command command;
    trigger = L"reset";
    for (DWORD index = 0; file.readNextCommand(index, command); ++index)
        if (command.triggerKind == TriggerKind::AfterReset) executeCommand(command);
    trigger = ByHand;
    return 1;
}

int CommandRunner::runTimedCommands()
{
    // Read whole: the names due at one moment may be more than 129 characters.
    // A moment another run claimed already runs nothing here.
    HeapText names;
    wchar_t moment[StoredStringChars];
    if (!claimTimedRun(settings, names, moment)) return 0;

    // A run later than its moment says so, and what else the device missed.
    HeapText late;
    SYSTEMTIME due, now;
    ce::GetLocalTime(&now);
    if (parseMoment(moment, due) && minuteOf(now) > minuteOf(due) && late.assign(L"timed, due ") &&
        late.append(moment)) {
        recordMissedMoments(due, now, names.c_str());
        trigger = late.c_str();
    } else {
        trigger = L"timed";
    }

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
    trigger = ByHand;
    return 1;
}

int CommandRunner::executeCommand(const Command& command)
{
    HeapText outcome;
    int result = 1;
    switch (command.actionKind) {
    case ActionKind::LaunchProgram:
        settings.incrementCounter(L"ExeCmds");
        result = launchProgram(command, outcome);
        break;
    case ActionKind::Cleanup:
        // Its options are recorded and counted, not carried out.
        settings.incrementCounter(L"TidewellCmds");
        outcome.assign(L"counted");
        break;
    case ActionKind::PlaySound:
        settings.incrementCounter(L"SoundCmds");
        result = playSound(command, outcome);
        break;
    case ActionKind::ShowMessage:
        // Said before the window waits for its tap, which may never come
        // before the device is reset.
        run_history::record(trigger, command, L"message shown");
        run_history::letGo();
        return showMessage(command, settings);
    case ActionKind::CleanFolder:
        settings.incrementCounter(L"DelDirCmds");
        result = cleanAndRecreateFolder(command, outcome);
        break;
    case ActionKind::CloseAllPrograms: {
        settings.incrementCounter(L"CloseCmds");
        const int asked = closeAllPrograms();
        appendCount(outcome, static_cast<unsigned long>(asked), L"program") && outcome.append(L" asked to close");
        break;
    }
    default:
        outcome.assign(L"did nothing");
        break;
    }
    run_history::record(trigger, command, outcome.c_str());
    return result;
}

void CommandRunner::saveLastRunDate()
{
    SYSTEMTIME today;
    ce::GetLocalTime(&today);
    settings.setDword(L"LastRunDay", today.wDay);
    settings.setDword(L"LastRunMonth", today.wMonth);
    settings.setDword(L"LastRunYear", today.wYear);
}
