// Event starts of morvane.exe as real processes: a copy of the program in a
// folder of its own, with a command file in its "Data" folder, started with
// each event argument.
#include "commands/command_file.h"
#include "platform/text.h"
#include "shell/app_state.h"
#include "shell/settings_store.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

constexpr wchar_t SettingsKey[] = L"Software\\Quillon Software\\Morvane";

DWORD counter(const wchar_t* name)
{
    SettingsStore settings;
    return settings.getDword(name);
}

class EventStart : public testing::Test {
protected:
    void SetUp() override
    {
        instanceHandle = GetModuleHandleW(nullptr);
        test::deleteMachineKey(SettingsKey);
        CreateDirectoryW(folder_.file(L"Data").c_str(), nullptr);
        ASSERT_TRUE(CopyFileW(test::morvaneExe().c_str(), program().c_str(), FALSE));
        ASSERT_TRUE(CopyFileW(test::probeExe().c_str(), folder_.file(L"probe.exe").c_str(), FALSE));
        CreateDirectoryW(folder_.file(L"clean me").c_str(), nullptr);
        test::writeFileBytes(folder_.file(L"clean me\\old.log"), "old");
    }
    void TearDown() override
    {
        if (HWND window = FindWindowW(L"ZELMORVANE", L"Morvane")) PostMessageW(window, WM_COMMAND, IDOK, 0);
        test::waitUntil([] { return FindWindowW(L"ZELMORVANE", L"Morvane") == nullptr; });
        test::deleteMachineKey(SettingsKey);
        CommandFile mine;
        DeleteFileW((std::wstring(mine.dataFolderPath()) + L"\\zelvane.dat").c_str());
    }

    std::wstring program() const { return folder_.file(L"morvane.exe"); }
    std::wstring probeLog() const { return test::readFileText(folder_.file(L"probe.log")); }

    Command launch(const wchar_t* name, TriggerKind trigger) const
    {
        Command command;
        copyText(command.commandName, name);
        command.triggerKind = trigger;
        copyText(command.action.programPath, folder_.file(L"probe.exe").c_str());
        copyText(command.action.programArguments, name);
        return command;
    }

    // Builds the command file with this program's own command file and hands
    // it to the copy of morvane.exe.
    void install(const std::vector<Command>& commands)
    {
        CommandFile file;
        std::wstring built = std::wstring(file.dataFolderPath()) + L"\\zelvane.dat";
        DeleteFileW(built.c_str());
        for (const Command& command : commands) ASSERT_TRUE(file.appendCommand(command));
        ASSERT_TRUE(CopyFileW(built.c_str(), folder_.file(L"Data\\zelvane.dat").c_str(), FALSE));
    }

    std::vector<Command> everyKind() const
    {
        Command clean = launch(L"clean", TriggerKind::FirstPowerOnOfDay);
        clean.actionKind = ActionKind::CleanFolder;
        copyText(clean.action.folderPath, folder_.file(L"clean me").c_str());
        Command cleanup = launch(L"cleanup", TriggerKind::AfterPowerOn);
        cleanup.actionKind = ActionKind::Cleanup;
        return {launch(L"power-on", TriggerKind::AfterPowerOn), launch(L"reset", TriggerKind::AfterReset),
                clean, cleanup};
    }

    static void enableCommands(DWORD value)
    {
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, SettingsKey, L"EnableCommands", REG_DWORD, &value, sizeof value);
    }

    test::ScratchFolder folder_{L"event"};
};

TEST_F(EventStart, PowerOnRunsThePowerOnCommandsAndEndsWithOne)
{
    install(everyKind());
    enableCommands(1);
    test::ProcessResult result = test::runProgram(program(), L"AppRunAfterWakeup");
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(1u, result.exitCode);

    ASSERT_TRUE(test::waitUntil([&] { return !probeLog().empty(); }));
    Sleep(300);   // a second start, if there were one, has had its time
    EXPECT_EQ(folder_.file(L"probe.exe") + L"\t[power-on]\n", probeLog());
    EXPECT_TRUE(test::fileExists(folder_.file(L"clean me")));
    EXPECT_FALSE(test::fileExists(folder_.file(L"clean me\\old.log")));
    EXPECT_EQ(1u, counter(L"Starts"));
    EXPECT_EQ(1u, counter(L"ExeCmds"));
    EXPECT_EQ(1u, counter(L"DelDirCmds"));
    EXPECT_EQ(1u, counter(L"TidewellCmds"));
    EXPECT_NE(0u, counter(L"LastRunYear"));
}

TEST_F(EventStart, ResetRunsTheResetCommandsThenStaysResident)
{
    install(everyKind());
    enableCommands(1);
    HANDLE process = test::startProgram(program(), L"-reset");
    ASSERT_NE(nullptr, process);
    ASSERT_TRUE(test::waitUntil([] { return FindWindowW(L"ZELMORVANE", L"Morvane") != nullptr; }));
    ASSERT_TRUE(test::waitUntil([&] { return !probeLog().empty(); }));
    EXPECT_EQ(folder_.file(L"probe.exe") + L"\t[reset]\n", probeLog());
    EXPECT_TRUE(test::fileExists(folder_.file(L"clean me\\old.log")));
    EXPECT_EQ(1u, counter(L"Starts"));
    EXPECT_EQ(0u, counter(L"LastRunYear"));

    PostMessageW(FindWindowW(L"ZELMORVANE", L"Morvane"), WM_COMMAND, IDOK, 0);
    test::ProcessResult end = test::waitProgram(process, test::MachineWaitMs);
    ASSERT_TRUE(end.finished);
    EXPECT_EQ(0u, end.exitCode);
}

TEST_F(EventStart, DisabledCommandsRunNothing)
{
    install(everyKind());
    enableCommands(0);
    for (const wchar_t* line : {L"AppRunAfterWakeup", L"-reset", L"AppRunAtTime"}) {
        test::ProcessResult result = test::runProgram(program(), line);
        ASSERT_TRUE(result.finished);
        EXPECT_EQ(1u, result.exitCode);
    }
    Sleep(300);
    EXPECT_FALSE(test::fileExists(folder_.file(L"probe.log")));
    EXPECT_TRUE(test::fileExists(folder_.file(L"clean me\\old.log")));
    EXPECT_EQ(0u, counter(L"Starts"));
}

TEST_F(EventStart, TimedStartRunsTheNamedCommandsAndDeletesTheOnceOne)
{
    Command once = launch(L"once", TriggerKind::OnSchedule);
    once.schedule.recurrence = Recurrence::Once;
    once.schedule.timeMode = TimeMode::AtSpecificTime;
    Command daily = launch(L"daily", TriggerKind::OnSchedule);
    daily.schedule.recurrence = Recurrence::Daily;
    daily.schedule.timeMode = TimeMode::AtSpecificTime;
    install({once, daily, launch(L"power-on", TriggerKind::AfterPowerOn)});
    enableCommands(1);
    {
        SettingsStore settings;
        settings.setString(L"NextScheduled", L"once;daily");
    }
    test::ProcessResult result = test::runProgram(program(), L"AppRunAtTime");
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(1u, result.exitCode);

    ASSERT_TRUE(test::waitUntil([&] { return probeLog().size() > 0 && probeLog().find(L"daily") != std::wstring::npos &&
                                             probeLog().find(L"once") != std::wstring::npos; }));
    EXPECT_EQ(2u, counter(L"ExeCmds"));
    EXPECT_EQ(0u, counter(L"Starts"));

    // The copy's file now holds the daily and the power-on command.
    std::string stored = test::readFileBytes(folder_.file(L"Data\\zelvane.dat"));
    auto holds = [&](const wchar_t* name) {
        std::wstring wide(name);
        std::string bytes(reinterpret_cast<const char*>(wide.c_str()), (wide.size() + 1) * sizeof(wchar_t));
        return stored.find(bytes) != std::string::npos;
    };
    EXPECT_FALSE(holds(L"once"));
    EXPECT_TRUE(holds(L"daily"));
    EXPECT_TRUE(holds(L"power-on"));
}

} // namespace
