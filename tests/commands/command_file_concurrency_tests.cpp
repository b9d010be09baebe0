// Two processes change one command file at the same time, as the resident
// instance and an event instance do: neither may lose the other's changes.
#include "tests/commands/command_file_fixture.h"

#include "platform/scoped.h"
#include "platform/text.h"

#include <set>
#include <string>

namespace {

constexpr int Count = 500;

std::wstring nameOf(const wchar_t* prefix, int i) { return prefix + std::to_wstring(i); }

Command commandNamed(const std::wstring& name)
{
    Command command;
    copyText(command.commandName, name.c_str());
    command.actionKind = ActionKind::ShowMessage;
    copyText(command.action.messageText, (L"message of " + name).c_str());
    return command;
}

// Waits for the parent's "go" so that both children start together.
bool waitForGo(const std::wstring& go)
{
    instanceHandle = GetModuleHandleW(nullptr);
    ScopedHandle event(OpenEventW(SYNCHRONIZE, FALSE, go.c_str()));
    return event && WaitForSingleObject(event.get(), 60000) == WAIT_OBJECT_0;
}

// The exit code counts the operations that failed.
int appendMany(const std::wstring& go)
{
    if (!waitForGo(go)) return 1000;
    int failures = 0;
    CommandFile file;
    for (int i = 0; i < Count; ++i)
        if (!file.appendCommand(commandNamed(nameOf(L"new", i)))) ++failures;
    return failures;
}
TEST_CHILD_MODE(L"append-many", appendMany);

int deleteMany(const std::wstring& go)
{
    if (!waitForGo(go)) return 1000;
    int failures = 0;
    CommandFile file;
    for (int i = 0; i < Count; ++i)
        if (!file.deleteCommand(nameOf(L"OLD", i).c_str())) ++failures;   // case differs on purpose
    return failures;
}
TEST_CHILD_MODE(L"delete-many", deleteMany);

} // namespace

using test::CommandFileTest;

TEST_F(CommandFileTest, AppendsAndDeletesFromTwoProcessesLoseNothing)
{
    {
        CommandFile file;
        for (int i = 0; i < Count; ++i) {
            ASSERT_EQ(file.appendCommand(commandNamed(nameOf(L"old", i))), 1);
            if (i % 50 == 0) {
                ASSERT_EQ(file.appendCommand(commandNamed(nameOf(L"keep", i))), 1);
            }
        }
    }

    std::wstring go = L"MorvaneTestGo-" + std::to_wstring(GetCurrentProcessId());
    ScopedHandle goEvent(CreateEventW(nullptr, TRUE, FALSE, go.c_str()));
    HANDLE appender = test::startChild(L"append-many", go);
    HANDLE deleter = test::startChild(L"delete-many", go);
    ASSERT_NE(appender, nullptr);
    ASSERT_NE(deleter, nullptr);
    SetEvent(goEvent.get());
    test::ProcessResult appended = test::waitProgram(appender, 300000);
    test::ProcessResult deleted = test::waitProgram(deleter, 300000);
    ASSERT_TRUE(appended.finished && deleted.finished);
    EXPECT_EQ(appended.exitCode, 0u) << "appends that failed";
    EXPECT_EQ(deleted.exitCode, 0u) << "deletes that failed";

    std::multiset<std::wstring> expected;
    for (int i = 0; i < Count; ++i) {
        expected.insert(nameOf(L"new", i));
        if (i % 50 == 0) expected.insert(nameOf(L"keep", i));
    }
    std::multiset<std::wstring> found;
    CommandFile file;
    Command read;
    for (DWORD index = 0; file.readNextCommand(index, read); ++index) {
        found.insert(read.commandName);
        EXPECT_EQ(std::wstring(read.action.messageText), L"message of " + std::wstring(read.commandName));
    }
    EXPECT_EQ(found, expected);
    EXPECT_EQ(test::readFileBytes(test::commandFilePath()).size(),
              [&] {
                  size_t bytes = 0;
                  for (const auto& name : expected) bytes += 4 + CommandFile::storedLength(commandNamed(name));
                  return bytes;
              }());   // nothing beyond the expected records, no torn tail
    EXPECT_FALSE(test::fileExists(test::temporaryFilePath()));
}
