// Closing all programs, with real processes: test window programs that open
// the windows their arguments name and end when asked to close.
#include "commands/program_closer.h"
#include "shell/settings_store.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/test_support.h"
#include "tests/support/test_window.h"

#include <gtest/gtest.h>
#include <cstring>
#include <string>

namespace {

DWORD closeCount()
{
    SettingsStore settings;
    return settings.getDword(L"CloseCmds");
}

const ProcessEntry* findRow(const ProcessEntry* table, int rowCount, DWORD processId)
{
    for (int i = 0; i < rowCount; ++i)
        if (table[i].processId == processId) return &table[i];
    return nullptr;
}

TEST(ClosingPrograms, AsksExactlyTheProgramsWithAVisibleTitledWindow)
{
    test::WindowProgram alpha(L"visible:Alpha");
    test::WindowProgram beta(L"hidden:Helper;visible:Beta");
    test::WindowProgram gamma(L"visible:TOP MENU;visible:Gamma;visible:");
    test::WindowProgram desktop(L"visible:dESKTOP");
    test::WindowProgram activeSync(L"visible:ACTIVESYNC");
    test::WindowProgram invisible(L"hidden:Hidden One;hidden:Hidden Two");
    test::WindowProgram topMenuOnly(L"visible:Top Menu");
    test::WindowProgram untitled(L"visible:");
    for (auto* program : {&alpha, &beta, &gamma, &desktop, &activeSync, &invisible, &topMenuOnly,
                          &untitled})
        ASSERT_TRUE(program->waitUntilReady());
    DWORD before = closeCount();

    closeAllPrograms();

    EXPECT_TRUE(alpha.waitForExit());
    EXPECT_TRUE(beta.waitForExit());
    EXPECT_TRUE(gamma.waitForExit());
    EXPECT_EQ(closeCount(), before + 3);
    EXPECT_TRUE(desktop.running());
    EXPECT_TRUE(activeSync.running());
    EXPECT_TRUE(invisible.running());
    EXPECT_TRUE(topMenuOnly.running());
    EXPECT_TRUE(untitled.running());
}

TEST(ClosingPrograms, TheShellProcessIsSparedInAnyFolderAndLetterCase)
{
    test::ScratchFolder folder(L"close-shell");
    std::wstring shellImage = folder.file(L"Shell32.EXE");
    ASSERT_TRUE(CopyFileW(test::testWindowExe().c_str(), shellImage.c_str(), FALSE));
    test::WindowProgram shell(L"visible:Shell Window", shellImage);
    test::WindowProgram other(L"visible:Other");
    ASSERT_TRUE(shell.waitUntilReady());
    ASSERT_TRUE(other.waitUntilReady());
    DWORD before = closeCount();

    closeAllPrograms();

    EXPECT_TRUE(other.waitForExit());
    EXPECT_EQ(closeCount(), before + 1);
    EXPECT_TRUE(shell.running());
}

TEST(ClosingPrograms, TheSnapshotNamesEachProcessAndFindsItsVisibleWindow)
{
    test::WindowProgram program(L"hidden:Behind;visible:Front Window");
    ASSERT_TRUE(program.waitUntilReady());

    static ProcessEntry table[ProcessTableCapacity];
    memset(table, 0xA5, sizeof table);   // stale rows must not survive the snapshot
    int rowCount = takeProcessSnapshot(table, ProcessTableCapacity);
    ASSERT_GT(rowCount, 2);
    for (int i = rowCount; i < ProcessTableCapacity; ++i) ASSERT_EQ(table[i].processId, 0u) << i;

    const ProcessEntry* self = findRow(table, rowCount, GetCurrentProcessId());
    const ProcessEntry* child = findRow(table, rowCount, program.processId());
    ASSERT_TRUE(self && child);
    EXPECT_STREQ(self->exeName, L"action_tests.exe");
    EXPECT_STREQ(child->exeName, L"testwindow.exe");
    EXPECT_EQ(child->parentProcessId, GetCurrentProcessId());
    EXPECT_GE(child->threadCount, 1u);
    EXPECT_EQ(child->mainWindow, nullptr);

    collectProcessWindows(table, rowCount);
    ASSERT_NE(child->mainWindow, nullptr);
    EXPECT_STREQ(child->windowTitle, L"Front Window");
    DWORD owner = 0;
    GetWindowThreadProcessId(child->mainWindow, &owner);
    EXPECT_EQ(owner, program.processId());
    EXPECT_TRUE(IsWindowVisible(child->mainWindow));
    EXPECT_EQ(self->mainWindow, nullptr);   // this program shows no window
    EXPECT_STREQ(self->windowTitle, L"");
}

TEST(ClosingPrograms, TheSnapshotStopsAtTheTableCapacity)
{
    ProcessEntry table[3];
    memset(table, 0xA5, sizeof table);
    EXPECT_EQ(takeProcessSnapshot(table, 2), 2);
    EXPECT_NE(table[0].processId, 0xA5A5A5A5u);
    EXPECT_NE(table[1].processId, 0xA5A5A5A5u);
    EXPECT_EQ(table[2].processId, 0xA5A5A5A5u);
}

// Runs in a copy of this program in a folder without toolhelp.dll.
int closeWithoutToolhelp(const std::wstring&)
{
    test::DialogDriver driver;
    driver.answerMessageBox(IDOK);
    closeAllPrograms();
    if (!driver.finished()) return 1;
    const auto& boxes = driver.messageBoxes();
    if (boxes.size() != 1) return 2;
    if (boxes[0].text != L"Toolhelp.dll not found") return 3;
    if (boxes[0].caption != L"Pellmark") return 4;
    return processTable.rowCount == 0 ? 0 : 5;
}
TEST_CHILD_MODE(L"close-without-toolhelp", closeWithoutToolhelp);

TEST(ClosingPrograms, WithoutTheToolhelpLibraryItSaysSoAndClosesNothing)
{
    test::ScratchFolder folder(L"close-notoolhelp");
    std::wstring copy = folder.file(L"action_tests.exe");
    ASSERT_TRUE(CopyFileW(test::thisExe().c_str(), copy.c_str(), FALSE));
    ASSERT_FALSE(test::fileExists(folder.file(L"toolhelp.dll")));
    test::WindowProgram program(L"visible:Still Here");
    ASSERT_TRUE(program.waitUntilReady());
    DWORD before = closeCount();

    test::ProcessResult result =
        test::waitProgram(test::startProgram(copy, L"--child close-without-toolhelp"), 60000);

    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(closeCount(), before);
    EXPECT_TRUE(program.running());
}

} // namespace
