// The runner: which commands each event runs, the counters and the last-run
// date, the timed run's names, and every action kind. The command file is the
// real one beside this test program; programs started by commands are real
// processes (probe.exe logs each start).
#include "commands/command_file.h"
#include "commands/command_runner.h"
#include "platform/text.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/settings_store.h"
#include "tests/schedule/device_clock_guard.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr wchar_t SettingsKey[] = L"Software\\Quillon Software\\Morvane";

std::vector<std::wstring> soundsPlayed;
BOOL recordSound(const wchar_t* path)
{
    soundsPlayed.push_back(path);
    return TRUE;
}
BOOL failSound(const wchar_t* path)
{
    soundsPlayed.push_back(path);
    return FALSE;
}

DWORD counter(const wchar_t* name)
{
    SettingsStore settings;
    return settings.getDword(name);
}

Command named(const wchar_t* name, TriggerKind trigger)
{
    Command command;
    copyText(command.commandName, name);
    command.triggerKind = trigger;
    return command;
}

Command sound(const wchar_t* name, TriggerKind trigger, int repeat = 1)
{
    Command command = named(name, trigger);
    command.actionKind = ActionKind::PlaySound;
    copyText(command.action.soundName, name);   // the sound is named after the command
    command.action.soundRepeatCount = repeat;
    return command;
}

Command atFirstPowerOn(Command command, Recurrence recurrence)
{
    command.triggerKind = TriggerKind::OnSchedule;
    command.schedule.recurrence = recurrence;
    command.schedule.timeMode = TimeMode::AtFirstPowerOn;
    return command;
}

Command atTime(Command command, Recurrence recurrence, WORD hour, WORD minute)
{
    command.triggerKind = TriggerKind::OnSchedule;
    command.schedule.recurrence = recurrence;
    command.schedule.timeMode = TimeMode::AtSpecificTime;
    command.schedule.runTime.wHour = hour;
    command.schedule.runTime.wMinute = minute;
    return command;
}

std::wstring soundPath(const wchar_t* name) { return std::wstring(L"\\Windows\\") + name + L".wav"; }

std::vector<std::wstring> storedNames()
{
    std::vector<std::wstring> names;
    CommandFile file;
    Command command;
    for (DWORD i = 0; file.readNextCommand(i, command); ++i) names.push_back(command.commandName);
    return names;
}

constexpr int LinesPerWriter = 300;

// A child that runs LinesPerWriter commands named PREFIX0, PREFIX1, ... by
// hand, each adding its line to the run history.
int recordMany(const std::wstring& prefix)
{
    instanceHandle = GetModuleHandleW(nullptr);
    CommandRunner runner;
    for (int i = 0; i < LinesPerWriter; ++i) {
        Command cleanup = named((prefix + std::to_wstring(i)).c_str(), TriggerKind::AfterPowerOn);
        cleanup.actionKind = ActionKind::Cleanup;
        runner.executeCommand(cleanup);
    }
    return 0;
}
TEST_CHILD_MODE(L"record-many", recordMany);

class Runner : public testing::Test {
protected:
    void SetUp() override
    {
        instanceHandle = GetModuleHandleW(nullptr);
        test::deleteMachineKey(SettingsKey);
        CommandFile file;
        commandFile_ = std::wstring(file.dataFolderPath()) + L"\\zelvane.dat";
        history_ = std::wstring(file.dataFolderPath()) + L"\\history.txt";
        DeleteFileW(commandFile_.c_str());
        DeleteFileW(history_.c_str());
        soundsPlayed.clear();
        CommandRunner::setSoundPlayer(recordSound);
    }
    void TearDown() override
    {
        CommandRunner::setSoundPlayer(nullptr);
        DeleteFileW(commandFile_.c_str());
        DeleteFileW(history_.c_str());
        test::deleteMachineKey(SettingsKey);
    }

    // The history's lines without their time: "TRIGGER|NAME|KIND|OUTCOME".
    std::vector<std::wstring> historyLines() const
    {
        std::vector<std::wstring> lines;
        const std::wstring text = test::readFileText(history_);
        for (size_t start = 0, end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1) {
            std::wstring line = text.substr(start, end - start);
            if (line.size() > 20 && line[19] == L'\t') line.erase(0, 20);
            std::replace(line.begin(), line.end(), L'\t', L'|');
            lines.push_back(line);
        }
        return lines;
    }

    static void store(const std::vector<Command>& commands)
    {
        CommandFile file;
        for (const Command& command : commands) ASSERT_TRUE(file.appendCommand(command));
    }

    static std::vector<std::wstring> played()
    {
        std::vector<std::wstring> names;
        for (const std::wstring& path : soundsPlayed)
            names.push_back(path.substr(9, path.size() - 9 - 4));   // "\Windows\" NAME ".wav"
        return names;
    }

    test::DeviceClockGuard clock_;
    std::wstring commandFile_;
    std::wstring history_;
};

using Names = std::vector<std::wstring>;

TEST_F(Runner, PowerOnRunsEveryPowerOnCommandAndTheFirstOfDayOnesOnce)
{
    clock_.set(2026, 3, 4);   // a Wednesday
    Command weeklyToday = atFirstPowerOn(sound(L"weeklyWednesday", TriggerKind::OnSchedule), Recurrence::Weekly);
    weeklyToday.schedule.weekdayMask = 1 << 3;
    Command weeklyOther = atFirstPowerOn(sound(L"weeklyThursday", TriggerKind::OnSchedule), Recurrence::Weekly);
    weeklyOther.schedule.weekdayMask = 1 << 4;
    Command unknownTrigger = sound(L"unknownTrigger", TriggerKind::AfterPowerOn);
    unknownTrigger.triggerKind = static_cast<TriggerKind>(999);
    store({sound(L"everyPowerOn", TriggerKind::AfterPowerOn),
           sound(L"firstOfDay", TriggerKind::FirstPowerOnOfDay),
           sound(L"afterReset", TriggerKind::AfterReset),
           atFirstPowerOn(sound(L"daily", TriggerKind::OnSchedule), Recurrence::Daily),
           atTime(sound(L"timed", TriggerKind::OnSchedule), Recurrence::Daily, 12, 0),
           weeklyToday, weeklyOther, unknownTrigger,
           sound(L"secondFirstOfDay", TriggerKind::FirstPowerOnOfDay)});

    CommandRunner runner;
    EXPECT_EQ(1, runner.runPowerOnCommands());
    EXPECT_EQ((Names{L"everyPowerOn", L"firstOfDay", L"daily", L"weeklyWednesday", L"secondFirstOfDay"}),
              played());
    EXPECT_EQ(1u, counter(L"Starts"));
    EXPECT_EQ(5u, counter(L"SoundCmds"));
    EXPECT_EQ(4u, counter(L"LastRunDay"));
    EXPECT_EQ(3u, counter(L"LastRunMonth"));
    EXPECT_EQ(2026u, counter(L"LastRunYear"));

    // Later the same day only the every-power-on command runs.
    soundsPlayed.clear();
    clock_.set(2026, 3, 4, 23, 59);
    EXPECT_EQ(1, runner.runPowerOnCommands());
    EXPECT_EQ(Names{L"everyPowerOn"}, played());
    EXPECT_EQ(2u, counter(L"Starts"));

    // Set back a day, the clock makes the next power-on the first of that day.
    soundsPlayed.clear();
    clock_.set(2026, 3, 3);   // a Tuesday: neither weekly command
    EXPECT_EQ(1, runner.runPowerOnCommands());
    EXPECT_EQ((Names{L"everyPowerOn", L"firstOfDay", L"daily", L"secondFirstOfDay"}), played());
    EXPECT_EQ(3u, counter(L"LastRunDay"));
}

TEST_F(Runner, PowerOnWithAnEmptyFileStillCountsAndRecordsTheDate)
{
    clock_.set(2027, 12, 31);
    CommandRunner runner;
    EXPECT_EQ(1, runner.runPowerOnCommands());
    EXPECT_TRUE(played().empty());
    EXPECT_EQ(1u, counter(L"Starts"));
    EXPECT_EQ(31u, counter(L"LastRunDay"));
    EXPECT_EQ(12u, counter(L"LastRunMonth"));
    EXPECT_EQ(2027u, counter(L"LastRunYear"));
}

TEST_F(Runner, FirstPowerOnSchedulesRunOnTheirDaysOnly)
{
    // Thursday 30 July 2026: the fifth Thursday of the month.
    clock_.set(2026, 7, 30);
    Command monthlyDay = atFirstPowerOn(sound(L"monthly30", TriggerKind::OnSchedule), Recurrence::Monthly);
    monthlyDay.schedule.monthlyMode = MonthlyMode::MonthlyByDay;
    monthlyDay.schedule.monthlyDay = 30;
    Command fifthThursday = atFirstPowerOn(sound(L"fifthThursday", TriggerKind::OnSchedule), Recurrence::Monthly);
    fifthThursday.schedule.monthlyMode = MonthlyMode::MonthlyByWeekday;
    fifthThursday.schedule.monthlyWeek = 4;
    fifthThursday.schedule.monthlyWeekday = 4;
    Command fourthThursday = fifthThursday;
    copyText(fourthThursday.commandName, L"fourthThursday");
    copyText(fourthThursday.action.soundName, L"fourthThursday");
    fourthThursday.schedule.monthlyWeek = 3;
    Command yearly = atFirstPowerOn(sound(L"yearly", TriggerKind::OnSchedule), Recurrence::Yearly);
    yearly.schedule.yearlyMode = YearlyMode::YearlyByDate;
    yearly.schedule.yearlyMonth = 7;
    yearly.schedule.yearlyDay = 30;
    Command once = atFirstPowerOn(sound(L"once", TriggerKind::OnSchedule), Recurrence::Once);
    once.schedule.onceDay = 30;
    once.schedule.onceMonth = 7;
    once.schedule.onceYear = 2026;
    Command onceNextYear = once;
    copyText(onceNextYear.commandName, L"onceNextYear");
    copyText(onceNextYear.action.soundName, L"onceNextYear");
    onceNextYear.schedule.onceYear = 2027;
    Command emptyWeekly = atFirstPowerOn(sound(L"emptyWeekly", TriggerKind::OnSchedule), Recurrence::Weekly);
    emptyWeekly.schedule.weekdayMask = 0;
    store({monthlyDay, fifthThursday, fourthThursday, yearly, once, onceNextYear, emptyWeekly});

    CommandRunner runner;
    runner.runPowerOnCommands();
    EXPECT_EQ((Names{L"monthly30", L"fifthThursday", L"yearly", L"once"}), played());
    // A Once command run at first power-on stays stored.
    EXPECT_EQ(7u, storedNames().size());
}

TEST_F(Runner, ResetRunsOnlyTheResetCommandsAndLeavesTheDate)
{
    store({sound(L"everyPowerOn", TriggerKind::AfterPowerOn), sound(L"reset1", TriggerKind::AfterReset),
           sound(L"firstOfDay", TriggerKind::FirstPowerOnOfDay), sound(L"reset2", TriggerKind::AfterReset)});
    CommandRunner runner;
    EXPECT_EQ(1, runner.runResetCommands());
    EXPECT_EQ((Names{L"reset1", L"reset2"}), played());
    EXPECT_EQ(1u, counter(L"Starts"));
    EXPECT_EQ(0u, counter(L"LastRunYear"));
}

TEST_F(Runner, TimedRunRunsTheNamedCommandsInOrderAndDeletesTheOnceOne)
{
    Command once = atTime(sound(L"onceAtNine", TriggerKind::OnSchedule), Recurrence::Once, 9, 0);
    Command daily = atTime(sound(L"dailyAtNine", TriggerKind::OnSchedule), Recurrence::Daily, 9, 0);
    store({daily, sound(L"bystander", TriggerKind::AfterPowerOn), once});
    {
        SettingsStore settings;
        // Empty names and one longer than any name field are passed over.
        const std::wstring list = L";ONCEATNINE;;nosuchcommand;" + std::wstring(300, L'd') + L";dailyAtNine;";
        settings.setString(L"NextScheduled", list.c_str());
        settings.setString(L"NextScheduledTime", L"2026-03-04 09:00");
    }
    CommandRunner runner;
    EXPECT_EQ(1, runner.runTimedCommands());
    EXPECT_EQ((Names{L"onceAtNine", L"dailyAtNine"}), played());
    EXPECT_EQ((Names{L"dailyAtNine", L"bystander"}), storedNames());
    EXPECT_EQ(0u, counter(L"Starts"));
    // The launcher started again for the same moment: it ran already.
    EXPECT_EQ(0, runner.runTimedCommands());
    EXPECT_EQ((Names{L"onceAtNine", L"dailyAtNine"}), played());
}

TEST_F(Runner, TimedRunReadsANameListLongerThan129Characters)
{
    std::vector<Command> commands;
    std::wstring list;
    Names expected;
    for (int i = 0; i < 12; ++i) {
        std::wstring name = L"a rather long command name " + std::to_wstring(i);
        commands.push_back(atTime(sound(name.c_str(), TriggerKind::OnSchedule), Recurrence::Daily, 9, 0));
        list += (i ? L";" : L"") + name;
        expected.push_back(name);
    }
    ASSERT_GT(list.size(), 129u);
    store(commands);
    {
        SettingsStore settings;
        settings.setString(L"NextScheduled", list.c_str());
    }
    CommandRunner runner;
    EXPECT_EQ(1, runner.runTimedCommands());
    EXPECT_EQ(expected, played());
}

TEST_F(Runner, TimedRunWithoutNamesRunsNothing)
{
    store({atTime(sound(L"dailyAtNine", TriggerKind::OnSchedule), Recurrence::Daily, 9, 0)});
    CommandRunner runner;
    EXPECT_EQ(0, runner.runTimedCommands());
    {
        SettingsStore settings;
        settings.setString(L"NextScheduled", L"");
    }
    EXPECT_EQ(0, runner.runTimedCommands());
    EXPECT_TRUE(played().empty());
}

TEST_F(Runner, SoundsPlayTheirRepeatCountAndCountOnce)
{
    CommandRunner runner;
    EXPECT_EQ(1, runner.executeCommand(sound(L"chime", TriggerKind::AfterPowerOn, 3)));
    EXPECT_EQ((Names{L"chime", L"chime", L"chime"}), played());
    EXPECT_EQ(soundPath(L"chime"), soundsPlayed[0]);

    soundsPlayed.clear();
    EXPECT_EQ(1, runner.executeCommand(sound(L"never", TriggerKind::AfterPowerOn, 0)));
    EXPECT_EQ(1, runner.executeCommand(sound(L"negative", TriggerKind::AfterPowerOn, -4)));
    EXPECT_TRUE(played().empty());
    EXPECT_EQ(3u, counter(L"SoundCmds"));

    // A sound that cannot be played makes the command fail, counted all the same.
    CommandRunner::setSoundPlayer(failSound);
    EXPECT_EQ(0, runner.executeCommand(sound(L"broken", TriggerKind::AfterPowerOn, 2)));
    EXPECT_EQ(2u, soundsPlayed.size());
    EXPECT_EQ(4u, counter(L"SoundCmds"));

    // A name that would not fit in a path is not cut into another file's name.
    CommandRunner::setSoundPlayer(recordSound);
    soundsPlayed.clear();
    Command tooLong = sound(L"x", TriggerKind::AfterPowerOn);
    std::wstring longName(250, L'n');
    copyText(tooLong.action.soundName, longName.c_str());
    EXPECT_EQ(0, runner.executeCommand(tooLong));
    EXPECT_TRUE(soundsPlayed.empty());
}

TEST_F(Runner, LaunchStartsTheProgramWithItsArgumentsAndCountsFailuresToo)
{
    test::ScratchFolder folder(L"runner");
    std::wstring probe = folder.file(L"probe.exe");
    ASSERT_TRUE(CopyFileW(test::probeExe().c_str(), probe.c_str(), FALSE));
    Command launch = named(L"launch", TriggerKind::AfterPowerOn);
    copyText(launch.action.programPath, probe.c_str());
    copyText(launch.action.programArguments, L"-x \"two words\"");

    CommandRunner runner;
    EXPECT_EQ(1, runner.executeCommand(launch));
    // The probe makes its log, then writes its line.
    const std::wstring line = probe + L"\t[-x \"two words\"]\n";
    EXPECT_TRUE(test::waitUntil([&] { return test::readFileText(folder.file(L"probe.log")) == line; }))
        << testing::PrintToString(test::readFileText(folder.file(L"probe.log")));

    copyText(launch.action.programPath, folder.file(L"missing.exe").c_str());
    EXPECT_EQ(0, runner.executeCommand(launch));
    EXPECT_EQ(2u, counter(L"ExeCmds"));
}

// A path in Wine's own namespaces, or on a drive the device lacks, is one the
// device does not have: the launch and the cleaning are counted and fail as
// for a missing path, and nothing starts and nothing is deleted.
TEST_F(Runner, PathsOutOfTheDeviceStartAndCleanNothingButAreCounted)
{
    test::ScratchFolder folder(L"runner");
    ASSERT_TRUE(CopyFileW(test::probeExe().c_str(), folder.file(L"probe.exe").c_str(), FALSE));
    ASSERT_TRUE(test::writeFileBytes(folder.file(L"kept.txt"), "kept"));
    const std::wstring unixFolder = test::unixPathOf(folder.path());
    ASSERT_FALSE(unixFolder.empty());

    CommandRunner runner;
    for (const std::wstring& form : {L"\\\\?\\unix" + unixFolder, L"\\??\\unix" + unixFolder,
                                     L"Z:" + unixFolder, L"\\\\?\\" + folder.path()}) {
        Command launch = named(L"launch", TriggerKind::AfterPowerOn);
        copyText(launch.action.programPath, (form + L"\\probe.exe").c_str());
        EXPECT_EQ(0, runner.executeCommand(launch));
        Command clean = named(L"clean", TriggerKind::AfterPowerOn);
        clean.actionKind = ActionKind::CleanFolder;
        clean.action.includeSubfolders = 1;
        copyText(clean.action.folderPath, form.c_str());
        EXPECT_EQ(0, runner.executeCommand(clean));
    }
    EXPECT_EQ(4u, counter(L"ExeCmds"));
    EXPECT_EQ(4u, counter(L"DelDirCmds"));
    EXPECT_FALSE(test::fileExists(folder.file(L"probe.log")));
    EXPECT_TRUE(test::fileExists(folder.file(L"kept.txt")));
}

TEST_F(Runner, CleanFolderRemakesAFolderItEmptiedAndNeverMakesAMissingOne)
{
    test::ScratchFolder scratch(L"runner");
    std::wstring target = scratch.file(L"target");
    CreateDirectoryW(target.c_str(), nullptr);
    ASSERT_TRUE(test::writeFileBytes(target + L"\\old.txt", "old"));
    Command clean = named(L"clean", TriggerKind::AfterPowerOn);
    clean.actionKind = ActionKind::CleanFolder;
    copyText(clean.action.folderPath, target.c_str());

    CommandRunner runner;
    EXPECT_EQ(1, runner.executeCommand(clean));
    EXPECT_TRUE(test::fileExists(target));
    EXPECT_FALSE(test::fileExists(target + L"\\old.txt"));

    copyText(clean.action.folderPath, scratch.file(L"missing").c_str());
    EXPECT_EQ(0, runner.executeCommand(clean));
    EXPECT_FALSE(test::fileExists(scratch.file(L"missing")));
    EXPECT_EQ(2u, counter(L"DelDirCmds"));
}

TEST_F(Runner, CleanupIsCountedAndUnknownActionsDoNothing)
{
    Command cleanup = named(L"cleanup", TriggerKind::AfterPowerOn);
    cleanup.actionKind = ActionKind::Cleanup;
    Command unknown = named(L"unknown", TriggerKind::AfterPowerOn);
    unknown.actionKind = static_cast<ActionKind>(2000);

    CommandRunner runner;
    EXPECT_EQ(1, runner.executeCommand(cleanup));
    EXPECT_EQ(1, runner.executeCommand(unknown));
    EXPECT_EQ(1u, counter(L"TidewellCmds"));
    for (const wchar_t* name : {L"ExeCmds", L"DelDirCmds", L"MsgBoxCmds", L"SoundCmds", L"CloseCmds"})
        EXPECT_EQ(0u, counter(name)) << name;
}

// A message holds the rest of its run, but neither the command file, which
// a change may replace meanwhile, nor the day: a power-on meanwhile finds the
// day's first power-on taken.
TEST_F(Runner, MessageHoldsTheFollowingCommandsUntilItIsClosed)
{
    clock_.set(2026, 3, 4);
    Command message = named(L"message", TriggerKind::AfterPowerOn);
    message.actionKind = ActionKind::ShowMessage;
    copyText(message.action.messageText, L"Back up the photos\r\nbefore the trip");
    store({message, sound(L"afterMessage", TriggerKind::FirstPowerOnOfDay)});

    std::wstring shownText;
    size_t soundsWhileShown = 99;
    DWORD dayWhileShown = 0;
    bool replaceableWhileShown = false;
    size_t historyWhileShown = 0;
    test::DialogDriver driver;
    driver.onDialog(L"Morvane", [&](HWND window) {
        shownText = test::DialogDriver::controlText(window, IDC_MESSAGE_WINDOW_TEXT);
        soundsWhileShown = soundsPlayed.size();
        dayWhileShown = counter(L"LastRunDay");
        const std::wstring copy = commandFile_ + L".copy";
        historyWhileShown = historyLines().size();
        replaceableWhileShown = CopyFileW(commandFile_.c_str(), copy.c_str(), FALSE) &&
                                MoveFileExW(copy.c_str(), commandFile_.c_str(), MOVEFILE_REPLACE_EXISTING);
        test::DialogDriver::closeWindow(window);
    });

    CommandRunner runner;
    runner.runPowerOnCommands();
    EXPECT_TRUE(driver.finished());
    EXPECT_FALSE(driver.timedOut());
    EXPECT_EQ(L"Back up the photos\r\nbefore the trip", shownText);
    EXPECT_EQ(0u, soundsWhileShown);
    EXPECT_EQ(Names{L"afterMessage"}, played());
    EXPECT_EQ(1u, counter(L"MsgBoxCmds"));
    EXPECT_EQ(4u, dayWhileShown);
    EXPECT_TRUE(replaceableWhileShown);
    EXPECT_EQ(1u, historyWhileShown);
}

// One line per run, in words; a line torn by a reset is cut off before the
// next; past 128 KB the last 1,000 lines are kept.
TEST_F(Runner, HistorySaysWhatStartedEachRunAndWhatCameOfItAndStaysWholeAndBounded)
{
    test::ScratchFolder folder(L"runner");
    CreateDirectoryW(folder.file(L"tidy").c_str(), nullptr);
    ASSERT_TRUE(test::writeFileBytes(folder.file(L"tidy\\old.txt"), "old"));
    ASSERT_TRUE(test::writeFileBytes(folder.file(L"tidy\\system.txt"), "system"));
    SetFileAttributesW(folder.file(L"tidy\\system.txt").c_str(), FILE_ATTRIBUTE_SYSTEM);
    Command clean = named(L"tidy", TriggerKind::AfterReset);
    clean.actionKind = ActionKind::CleanFolder;
    copyText(clean.action.folderPath, folder.file(L"tidy").c_str());
    Command missingFolder = clean;
    copyText(missingFolder.action.folderPath, folder.file(L"gone").c_str());
    Command launch = named(L"go\tnow", TriggerKind::AfterPowerOn);
    copyText(launch.action.programPath, folder.file(L"missing.exe").c_str());
    Command cleanup = named(L"cleanup", TriggerKind::AfterPowerOn);
    cleanup.actionKind = ActionKind::Cleanup;
    store({sound(L"chime", TriggerKind::AfterPowerOn, 2), clean});

    {
        // The history stays open while the runner lives.
        CommandRunner runner;
        runner.runPowerOnCommands();
        runner.runResetCommands();
        runner.executeCommand(launch);
        runner.executeCommand(missingFolder);
        runner.executeCommand(cleanup);
        CommandRunner::setSoundPlayer(failSound);
        runner.executeCommand(sound(L"broken", TriggerKind::AfterPowerOn, 2));
    }
    const std::vector<std::wstring> expected = {
        L"power-on|chime|sound|sound played 2 times",
        L"reset|tidy|clean folder|1 file deleted, 1 left",
        L"by hand|go now|launch|not started: the program " + folder.file(L"missing.exe") + L" does not exist",
        L"by hand|tidy|clean folder|not cleaned: the folder " + folder.file(L"gone") + L" does not exist",
        L"by hand|cleanup|cleanup|counted",
        L"by hand|broken|sound|sound not found",
    };
    EXPECT_EQ(expected, historyLines());

    std::string text = "2026-03-04 10:00:00\treset\ttidy\tclean folder\t1 file deleted\n";
    ASSERT_TRUE(test::writeFileBytes(history_, text + "2026-03-04 10:00:01\tpower-on\tch"));
    CommandRunner().executeCommand(cleanup);
    EXPECT_EQ((std::vector<std::wstring>{L"reset|tidy|clean folder|1 file deleted", L"by hand|cleanup|cleanup|counted"}),
              historyLines());

    std::string full;
    while (full.size() <= 128 * 1024) full += text;
    ASSERT_TRUE(test::writeFileBytes(history_, full));
    CommandRunner().executeCommand(cleanup);
    const std::vector<std::wstring> kept = historyLines();
    ASSERT_EQ(1000u, kept.size());
    EXPECT_EQ(L"reset|tidy|clean folder|1 file deleted", kept.front());
    EXPECT_EQ(L"by hand|cleanup|cleanup|counted", kept.back());

    // Two processes at once, one trim among their lines: every line of each
    // is there, whole.
    full.resize(full.size() - 4 * text.size());
    ASSERT_TRUE(test::writeFileBytes(history_, full));
    HANDLE first = test::startChild(L"record-many", L"a");
    HANDLE second = test::startChild(L"record-many", L"b");
    ASSERT_TRUE(first && second);
    ASSERT_TRUE(test::waitProgram(first, 300000).finished && test::waitProgram(second, 300000).finished);
    std::set<std::wstring> written;
    for (const std::wstring& line : historyLines()) {
        if (line != L"reset|tidy|clean folder|1 file deleted") {
            EXPECT_TRUE(written.insert(line).second) << line;
        }
    }
    EXPECT_EQ(2u * LinesPerWriter, written.size());
    for (const wchar_t* prefix : {L"a", L"b"})
        for (int i = 0; i < LinesPerWriter; ++i)
            EXPECT_EQ(1u, written.count(L"by hand|" + (prefix + std::to_wstring(i)) + L"|cleanup|counted")) << prefix << i;
}

} // namespace
