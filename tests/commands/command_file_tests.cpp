// The command file on the real "Data" folder beside the test program: the
// record format against hand-built bytes, the operations, damaged files and
// the failures the user is told about.
#include "tests/commands/command_file_fixture.h"

#include "platform/scoped.h"
#include "platform/text.h"
#include "tests/support/dialog_driver.h"

#include <functional>
#include <vector>

using test::CommandFileTest;
using test::commandFilePath;
using test::hexBytes;
using test::readFileBytes;
using test::record;
using test::temporaryFilePath;
using test::u16;
using test::u32;
using test::utf16;

namespace {

const char CloseAllExample[] = "0c 00 00 00 61 00 62 00 63 00 00 00 f8 03 ee 03";
const char CleanFolderExample[] =
    "19 00 00 00 78 00 00 00 f7 03 5c 00 54 00 00 00 01 ef 03 01 00 22 00 41 04 07 00 1e 00";

Command named(const wchar_t* name, ActionKind action, TriggerKind trigger = TriggerKind::AfterPowerOn)
{
    Command command;
    copyText(command.commandName, name);
    command.actionKind = action;
    command.triggerKind = trigger;
    return command;
}

// Every field set to a value no record below stores, so that a field the
// reader must leave alone shows if it was touched.
Command sentinel()
{
    Command command;
    copyText(command.commandName, L"old name");
    command.actionKind = static_cast<ActionKind>(999);
    command.triggerKind = static_cast<TriggerKind>(998);
    Command::ActionData& action = command.action;
    action.cleanupOptions = 0x5A5A;
    copyText(action.folderPath, L"old folder");
    action.includeSubfolders = 0x1234500;
    copyText(action.programPath, L"old program");
    copyText(action.programArguments, L"old arguments");
    copyText(action.messageText, L"old message");
    copyText(action.soundName, L"old sound");
    action.soundRepeatCount = -77;
    Command::Schedule& schedule = command.schedule;
    schedule.recurrence = static_cast<Recurrence>(77);
    schedule.timeMode = static_cast<TimeMode>(78);
    schedule.runTime = SYSTEMTIME{1999, 9, 5, 3, 21, 43, 44, 45};
    schedule.weekdayMask = 0x7F7F;
    schedule.monthlyMode = static_cast<MonthlyMode>(79);
    schedule.monthlyDay = 80;
    schedule.monthlyWeek = 81;
    schedule.monthlyWeekday = 82;
    schedule.yearlyMode = static_cast<YearlyMode>(83);
    schedule.yearlyMonth = 84;
    schedule.yearlyDay = 85;
    schedule.yearlyWeek = 86;
    schedule.yearlyWeekday = 87;
    schedule.yearlyWeekMonth = 88;
    schedule.onceDay = 89;
    schedule.onceMonth = 90;
    schedule.onceYear = 91;
    return command;
}

// The fields a record may hold, as a set.
enum Field : unsigned long {
    ProgramPath = 1ul << 0, ProgramArguments = 1ul << 1, CleanupOptions = 1ul << 2, SoundName = 1ul << 3,
    SoundCount = 1ul << 4, MessageText = 1ul << 5, FolderPath = 1ul << 6, Subfolders = 1ul << 7,
    RecurrenceField = 1ul << 8, TimeModeField = 1ul << 9, Hour = 1ul << 10, Minute = 1ul << 11,
    WeekdayMask = 1ul << 12, MonthlyModeField = 1ul << 13, MonthlyDay = 1ul << 14, MonthlyWeek = 1ul << 15,
    MonthlyWeekday = 1ul << 16, YearlyModeField = 1ul << 17, YearlyMonth = 1ul << 18, YearlyDay = 1ul << 19,
    YearlyWeek = 1ul << 20, YearlyWeekday = 1ul << 21, YearlyWeekMonth = 1ul << 22, OnceDay = 1ul << 23,
    OnceMonth = 1ul << 24, OnceYear = 1ul << 25,
};

// actual must hold written's value in every stored field and old's elsewhere;
// name and both kinds are always stored.
void expectFields(const Command& actual, const Command& written, const Command& old, unsigned long stored)
{
    auto from = [&](Field field) -> const Command& { return (stored & field) ? written : old; };
    EXPECT_STREQ(actual.commandName, written.commandName);
    EXPECT_EQ(actual.actionKind, written.actionKind);
    EXPECT_EQ(actual.triggerKind, written.triggerKind);

    const Command::ActionData& a = actual.action;
    EXPECT_STREQ(a.programPath, from(ProgramPath).action.programPath);
    EXPECT_STREQ(a.programArguments, from(ProgramArguments).action.programArguments);
    EXPECT_EQ(a.cleanupOptions, from(CleanupOptions).action.cleanupOptions);
    EXPECT_STREQ(a.soundName, from(SoundName).action.soundName);
    EXPECT_EQ(a.soundRepeatCount, from(SoundCount).action.soundRepeatCount);
    EXPECT_STREQ(a.messageText, from(MessageText).action.messageText);
    EXPECT_STREQ(a.folderPath, from(FolderPath).action.folderPath);
    int32_t subfolders = old.action.includeSubfolders;
    if (stored & Subfolders) subfolders = (subfolders & ~0xFF) | (written.action.includeSubfolders & 0xFF);
    EXPECT_EQ(a.includeSubfolders, subfolders);

    const Command::Schedule& s = actual.schedule;
    EXPECT_EQ(s.recurrence, from(RecurrenceField).schedule.recurrence);
    EXPECT_EQ(s.timeMode, from(TimeModeField).schedule.timeMode);
    EXPECT_EQ(s.runTime.wHour, from(Hour).schedule.runTime.wHour);
    EXPECT_EQ(s.runTime.wMinute, from(Minute).schedule.runTime.wMinute);
    EXPECT_EQ(s.runTime.wYear, old.schedule.runTime.wYear);
    EXPECT_EQ(s.runTime.wSecond, old.schedule.runTime.wSecond);
    EXPECT_EQ(s.weekdayMask, from(WeekdayMask).schedule.weekdayMask);
    EXPECT_EQ(s.monthlyMode, from(MonthlyModeField).schedule.monthlyMode);
    EXPECT_EQ(s.monthlyDay, from(MonthlyDay).schedule.monthlyDay);
    EXPECT_EQ(s.monthlyWeek, from(MonthlyWeek).schedule.monthlyWeek);
    EXPECT_EQ(s.monthlyWeekday, from(MonthlyWeekday).schedule.monthlyWeekday);
    EXPECT_EQ(s.yearlyMode, from(YearlyModeField).schedule.yearlyMode);
    EXPECT_EQ(s.yearlyMonth, from(YearlyMonth).schedule.yearlyMonth);
    EXPECT_EQ(s.yearlyDay, from(YearlyDay).schedule.yearlyDay);
    EXPECT_EQ(s.yearlyWeek, from(YearlyWeek).schedule.yearlyWeek);
    EXPECT_EQ(s.yearlyWeekday, from(YearlyWeekday).schedule.yearlyWeekday);
    EXPECT_EQ(s.yearlyWeekMonth, from(YearlyWeekMonth).schedule.yearlyWeekMonth);
    EXPECT_EQ(s.onceDay, from(OnceDay).schedule.onceDay);
    EXPECT_EQ(s.onceMonth, from(OnceMonth).schedule.onceMonth);
    EXPECT_EQ(s.onceYear, from(OnceYear).schedule.onceYear);
}

// A command whose every field differs from the sentinel's; a case then sets
// what its kinds store.
Command source(const wchar_t* name, ActionKind action, TriggerKind trigger)
{
    Command command = named(name, action, trigger);
    copyText(command.action.programPath, L"never stored program");
    command.action.soundRepeatCount = 5;
    command.schedule.runTime = SYSTEMTIME{2004, 1, 4, 11, 8, 9, 10, 11};
    return command;
}

Command scheduled(Recurrence recurrence, TimeMode timeMode)
{
    Command command = source(L"s", ActionKind::CloseAllPrograms, TriggerKind::OnSchedule);
    command.schedule.recurrence = recurrence;
    command.schedule.timeMode = timeMode;
    command.schedule.runTime.wHour = 22;
    command.schedule.runTime.wMinute = 5;
    return command;
}

std::wstring repeated(wchar_t c, size_t count) { return std::wstring(count, c); }

} // namespace

// ---------------------------------------------------------------------------
// The record format

TEST_F(CommandFileTest, CloseAllProgramsExampleIsByteExact)
{
    Command command = named(L"abc", ActionKind::CloseAllPrograms, TriggerKind::AfterReset);
    EXPECT_EQ(CommandFile::storedLength(command), 12u);
    CommandFile file;
    ASSERT_EQ(file.appendCommand(command), 1);
    EXPECT_EQ(readFileBytes(commandFilePath()), hexBytes(CloseAllExample));

    Command read = sentinel();
    ASSERT_EQ(file.readNextCommand(0, read), 1);
    expectFields(read, command, sentinel(), 0);
    EXPECT_EQ(file.readNextCommand(1, read), 0);
}

TEST_F(CommandFileTest, CleanFolderExampleIsByteExact)
{
    Command command = named(L"x", ActionKind::CleanFolder, TriggerKind::OnSchedule);
    copyText(command.action.folderPath, L"\\T");
    command.action.includeSubfolders = 1;
    command.schedule.recurrence = Recurrence::Weekly;
    command.schedule.weekdayMask = 0x22;   // Monday and Friday
    command.schedule.timeMode = TimeMode::AtSpecificTime;
    command.schedule.runTime.wHour = 7;
    command.schedule.runTime.wMinute = 30;
    EXPECT_EQ(CommandFile::storedLength(command), 25u);
    CommandFile file;
    ASSERT_EQ(file.appendCommand(command), 1);
    EXPECT_EQ(readFileBytes(commandFilePath()), hexBytes(CleanFolderExample));

    Command read = sentinel();
    ASSERT_EQ(file.readNextCommand(0, read), 1);
    expectFields(read, command, sentinel(),
                 FolderPath | Subfolders | RecurrenceField | WeekdayMask | TimeModeField | Hour | Minute);
    EXPECT_EQ(file.readNextCommand(1, read), 0);
}

// After a CleanFolder record every later field, and every later record,
// starts at an odd offset.
TEST_F(CommandFileTest, HandBuiltRecordsAtOddOffsetsReadBack)
{
    std::string bytes = hexBytes(CleanFolderExample) + hexBytes(CloseAllExample) + hexBytes(CleanFolderExample);
    ASSERT_TRUE(test::writeFileBytes(commandFilePath(), bytes));

    CommandFile file;
    Command read;
    std::vector<std::wstring> names;
    for (DWORD index = 0; file.readNextCommand(index, read); ++index) {
        names.push_back(read.commandName);
        if (index == 0) {
            EXPECT_EQ(read.actionKind, ActionKind::CleanFolder);
            EXPECT_STREQ(read.action.folderPath, L"\\T");
            EXPECT_EQ(read.triggerKind, TriggerKind::OnSchedule);
            EXPECT_EQ(read.schedule.weekdayMask, 0x22);
            EXPECT_EQ(read.schedule.runTime.wHour, 7);
            EXPECT_EQ(read.schedule.runTime.wMinute, 30);
        } else if (index == 1) {
            EXPECT_EQ(read.actionKind, ActionKind::CloseAllPrograms);
            EXPECT_EQ(read.triggerKind, TriggerKind::AfterReset);
        }
    }
    EXPECT_EQ(names, (std::vector<std::wstring>{L"x", L"abc", L"x"}));

    Command found;
    EXPECT_EQ(file.findCommand(L"ABC", found), 1);
    EXPECT_EQ(found.actionKind, ActionKind::CloseAllPrograms);
    EXPECT_EQ(file.deleteCommand(L"X"), 1);
    EXPECT_EQ(readFileBytes(commandFilePath()), hexBytes(CloseAllExample));
}

// Each kind stores exactly its fields (the length is counted by hand) and
// reading leaves every other field of the target as it was.
TEST_F(CommandFileTest, EachKindStoresItsFieldsAndReadingKeepsTheRest)
{
    struct Case {
        const char* what;
        Command command;
        DWORD length;
        unsigned long stored;
    };
    std::vector<Case> cases;
    {
        Command c = source(L"run", ActionKind::LaunchProgram, TriggerKind::AfterPowerOn);
        copyText(c.action.programPath, L"\\Windows\\pword.exe");
        copyText(c.action.programArguments, L"-n x");
        cases.push_back({"launch", c, 8 + 2 + 38 + 10 + 2, ProgramPath | ProgramArguments});
    }
    {
        Command c = source(L"tidy", ActionKind::Cleanup, TriggerKind::FirstPowerOnOfDay);
        c.action.cleanupOptions = 0x15;
        cases.push_back({"cleanup", c, 10 + 2 + 2 + 2, CleanupOptions});
    }
    {
        Command c = source(L"chime", ActionKind::PlaySound, TriggerKind::AfterReset);
        copyText(c.action.soundName, L"Alarm1");
        c.action.soundRepeatCount = 70000;   // all four bytes count
        cases.push_back({"sound", c, 12 + 2 + 14 + 4 + 2, SoundName | SoundCount});
    }
    {
        Command c = source(L"hello", ActionKind::ShowMessage, TriggerKind::AfterPowerOn);
        copyText(c.action.messageText, L"Line 1\r\nLine 2");
        cases.push_back({"message", c, 12 + 2 + 30 + 2, MessageText});
    }
    {
        Command c = source(L"wipe", ActionKind::CleanFolder, TriggerKind::AfterReset);
        copyText(c.action.folderPath, L"\\Temp");
        c.action.includeSubfolders = 0x200;   // only the low byte, 0, is stored
        cases.push_back({"clean folder", c, 10 + 2 + 12 + 1 + 2, FolderPath | Subfolders});
    }
    cases.push_back({"close all", source(L"close", ActionKind::CloseAllPrograms, TriggerKind::FirstPowerOnOfDay),
                     12 + 2 + 2, 0});
    cases.push_back({"unknown kinds", source(L"odd", static_cast<ActionKind>(2000), static_cast<TriggerKind>(3000)),
                     8 + 2 + 2, 0});
    // Schedules, on a command of name "s" with no action data (8 bytes).
    cases.push_back({"daily at power-on", scheduled(Recurrence::Daily, TimeMode::AtFirstPowerOn), 8 + 4,
                     RecurrenceField | TimeModeField});
    cases.push_back({"daily at a time", scheduled(Recurrence::Daily, TimeMode::AtSpecificTime), 8 + 8,
                     RecurrenceField | TimeModeField | Hour | Minute});
    {
        Command c = scheduled(Recurrence::Weekly, TimeMode::AtFirstPowerOn);
        c.schedule.weekdayMask = 0x41;
        cases.push_back({"weekly", c, 8 + 6, RecurrenceField | TimeModeField | WeekdayMask});
    }
    {
        Command c = scheduled(Recurrence::Monthly, TimeMode::AtSpecificTime);
        c.schedule.monthlyMode = MonthlyMode::MonthlyByDay;
        c.schedule.monthlyDay = 15;
        cases.push_back({"monthly by day", c, 8 + 12,
                         RecurrenceField | TimeModeField | Hour | Minute | MonthlyModeField | MonthlyDay});
    }
    {
        Command c = scheduled(Recurrence::Monthly, TimeMode::AtFirstPowerOn);
        c.schedule.monthlyMode = MonthlyMode::MonthlyByWeekday;
        c.schedule.monthlyWeek = 1;
        c.schedule.monthlyWeekday = 2;
        cases.push_back({"monthly by weekday", c, 8 + 10,
                         RecurrenceField | TimeModeField | MonthlyModeField | MonthlyWeek | MonthlyWeekday});
    }
    {
        Command c = scheduled(Recurrence::Yearly, TimeMode::AtSpecificTime);
        c.schedule.yearlyMode = YearlyMode::YearlyByDate;
        c.schedule.yearlyMonth = 3;
        c.schedule.yearlyDay = 5;
        cases.push_back({"yearly by date", c, 8 + 14,
                         RecurrenceField | TimeModeField | Hour | Minute | YearlyModeField | YearlyMonth | YearlyDay});
    }
    {
        Command c = scheduled(Recurrence::Yearly, TimeMode::AtFirstPowerOn);
        c.schedule.yearlyMode = YearlyMode::YearlyByWeekday;
        c.schedule.yearlyWeek = 0;
        c.schedule.yearlyWeekday = 1;
        c.schedule.yearlyWeekMonth = 9;
        cases.push_back({"yearly by weekday", c, 8 + 12,
                         RecurrenceField | TimeModeField | YearlyModeField | YearlyWeek | YearlyWeekday |
                             YearlyWeekMonth});
    }
    {
        Command c = scheduled(Recurrence::Once, TimeMode::AtSpecificTime);
        c.schedule.onceDay = 24;
        c.schedule.onceMonth = 12;
        c.schedule.onceYear = 2004;
        cases.push_back({"once", c, 8 + 14,
                         RecurrenceField | TimeModeField | Hour | Minute | OnceDay | OnceMonth | OnceYear});
    }
    cases.push_back({"unknown recurrence", scheduled(static_cast<Recurrence>(9), TimeMode::AtFirstPowerOn), 8 + 4,
                     RecurrenceField | TimeModeField});
    {
        Command c = scheduled(Recurrence::Yearly, TimeMode::AtSpecificTime);
        copyText(c.commandName, repeated(L'n', 259).c_str());
        c.actionKind = ActionKind::ShowMessage;
        copyText(c.action.messageText, repeated(L'm', 1023).c_str());
        c.schedule.yearlyMode = YearlyMode::YearlyByWeekday;
        cases.push_back({"the longest record", c, CommandFile::MaxBodyLength,
                         MessageText | RecurrenceField | TimeModeField | Hour | Minute | YearlyModeField |
                             YearlyWeek | YearlyWeekday | YearlyWeekMonth});
    }

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::removeEntry(commandFilePath());
        EXPECT_EQ(CommandFile::storedLength(c.command), c.length);
        CommandFile file;
        ASSERT_EQ(file.appendCommand(c.command), 1);
        std::string bytes = readFileBytes(commandFilePath());
        ASSERT_EQ(bytes.size(), 4 + c.length);
        EXPECT_EQ(bytes.substr(0, 4), u32(c.length));
        Command read = sentinel();
        ASSERT_EQ(file.readNextCommand(0, read), 1);
        expectFields(read, c.command, sentinel(), c.stored);
        EXPECT_EQ(file.readNextCommand(1, read), 0);
    }
    EXPECT_EQ(CommandFile::MaxBodyLength, 2588u);
}

// A field that lost its terminator is stored cut to its capacity, so that the
// record stays readable.
TEST_F(CommandFileTest, FieldsWithoutTerminatorAreStoredCut)
{
    Command command = named(L"", ActionKind::ShowMessage);
    for (wchar_t& c : command.commandName) c = L'a';
    for (wchar_t& c : command.action.messageText) c = L'm';
    EXPECT_EQ(CommandFile::storedLength(command), 520u + 2 + 2048 + 2);
    CommandFile file;
    ASSERT_EQ(file.appendCommand(command), 1);
    Command read;
    ASSERT_EQ(file.readNextCommand(0, read), 1);
    EXPECT_EQ(std::wstring(read.commandName), repeated(L'a', 259));
    EXPECT_EQ(std::wstring(read.action.messageText), repeated(L'm', 1023));
    file.readNextCommand(EndEnumeration, read);
}

// ---------------------------------------------------------------------------
// Operations

TEST_F(CommandFileTest, MissingFileIsCreatedEmpty)
{
    test::DialogDriver driver;   // no message may come up
    CommandFile file;
    Command read;
    EXPECT_EQ(file.readNextCommand(0, read), 0);
    EXPECT_TRUE(test::fileExists(commandFilePath()));
    EXPECT_EQ(readFileBytes(commandFilePath()).size(), 0u);
    EXPECT_TRUE(driver.messageBoxes().empty());
}

TEST_F(CommandFileTest, DataFolderIsBesideTheProgram)
{
    std::wstring program = test::thisExe();
    std::wstring expected = program.substr(0, program.rfind(L'\\')) + L"\\Data";
    CommandFile file;
    EXPECT_EQ(std::wstring(file.dataFolderPath()), expected);
    DWORD attributes = GetFileAttributesW(expected.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
}

TEST_F(CommandFileTest, EnumerationFollowsFileOrderAndEndEnumerationCloses)
{
    CommandFile file;
    for (const wchar_t* name : {L"one", L"two", L"three"})
        ASSERT_EQ(file.appendCommand(named(name, ActionKind::CloseAllPrograms)), 1);

    Command read;
    ASSERT_EQ(file.readNextCommand(0, read), 1);
    EXPECT_STREQ(read.commandName, L"one");
    ASSERT_EQ(file.readNextCommand(1, read), 1);
    EXPECT_STREQ(read.commandName, L"two");
    EXPECT_EQ(file.readNextCommand(EndEnumeration, read), 0);
    EXPECT_STREQ(read.commandName, L"two");
    EXPECT_EQ(file.readNextCommand(2, read), 0);   // the enumeration is over
    // The handle is closed: nobody holds the file open any more.
    EXPECT_TRUE(MoveFileExW(commandFilePath().c_str(), (commandFilePath() + L".moved").c_str(), 0));
    EXPECT_TRUE(DeleteFileW((commandFilePath() + L".moved").c_str()));

    // Index 0 starts over.
    ASSERT_EQ(file.appendCommand(named(L"four", ActionKind::CloseAllPrograms)), 1);
    ASSERT_EQ(file.readNextCommand(0, read), 1);
    EXPECT_STREQ(read.commandName, L"four");
    EXPECT_EQ(file.readNextCommand(1, read), 0);
}

TEST_F(CommandFileTest, FindIgnoresCaseAndTakesTheFirstMatch)
{
    CommandFile file;
    Command first = named(L"Backup", ActionKind::LaunchProgram);
    copyText(first.action.programPath, L"\\first.exe");
    Command second = named(L"BACKUP", ActionKind::ShowMessage);
    ASSERT_EQ(file.appendCommand(named(L"other", ActionKind::CloseAllPrograms)), 1);
    ASSERT_EQ(file.appendCommand(first), 1);
    ASSERT_EQ(file.appendCommand(second), 1);

    Command found;
    ASSERT_EQ(file.findCommand(L"backup", found), 1);
    EXPECT_STREQ(found.commandName, L"Backup");
    EXPECT_STREQ(found.action.programPath, L"\\first.exe");

    // Absent: 0, and the caller's command untouched.
    Command untouched = sentinel();
    EXPECT_EQ(file.findCommand(L"backup2", untouched), 0);
    expectFields(untouched, sentinel(), sentinel(), 0);
    EXPECT_EQ(file.findCommand(L"", untouched), 0);
}

TEST_F(CommandFileTest, ExistsIgnoresCaseBeyondAscii)
{
    CommandFile file;
    ASSERT_EQ(file.appendCommand(named(L"Backup", ActionKind::CloseAllPrograms)), 1);
    ASSERT_EQ(file.appendCommand(named(L"\u00c4pfel \u00e9t\u00e9", ActionKind::CloseAllPrograms)), 1);
    EXPECT_EQ(file.commandExists(L"bACKUP"), 1);
    EXPECT_EQ(file.commandExists(L"\u00e4PFEL \u00c9T\u00c9"), 1);
    EXPECT_EQ(file.commandExists(L"Backup "), 0);
    EXPECT_EQ(file.commandExists(L"Backu"), 0);
    EXPECT_EQ(file.commandExists(L""), 0);
}

TEST_F(CommandFileTest, DeleteIgnoresCaseAndRemovesEveryRecordOfTheName)
{
    CommandFile file;
    for (const wchar_t* name : {L"keep1", L"Twice", L"keep2", L"TWICE", L"keep3"})
        ASSERT_EQ(file.appendCommand(named(name, ActionKind::CloseAllPrograms)), 1);
    EXPECT_EQ(file.deleteCommand(L"twice"), 1);

    std::string expected;
    for (const wchar_t* name : {L"keep1", L"keep2", L"keep3"})
        expected += record(utf16(name) + u16(1016) + u16(1008));
    EXPECT_EQ(readFileBytes(commandFilePath()), expected);
    EXPECT_FALSE(test::fileExists(temporaryFilePath()));
}

TEST_F(CommandFileTest, DeletingAnAbsentNameKeepsTheContent)
{
    CommandFile file;
    ASSERT_EQ(file.appendCommand(named(L"a", ActionKind::CloseAllPrograms)), 1);
    ASSERT_EQ(file.appendCommand(named(L"b", ActionKind::ShowMessage)), 1);
    std::string before = readFileBytes(commandFilePath());
    EXPECT_EQ(file.deleteCommand(L"c"), 1);
    EXPECT_EQ(readFileBytes(commandFilePath()), before);
    EXPECT_FALSE(test::fileExists(temporaryFilePath()));

    test::removeEntry(commandFilePath());
    EXPECT_EQ(file.deleteCommand(L"c"), 1);   // no file: an empty one, nothing to delete
    EXPECT_EQ(readFileBytes(commandFilePath()), "");
}

// Records of kinds this program does not know, and bytes after the fields a
// body calls for, survive a delete byte for byte.
TEST_F(CommandFileTest, DeleteCopiesRecordsItCannotDecodeUnchanged)
{
    std::string unknownAction = record(utf16(L"future") + u16(2000) + u16(1008) + "\x01\x02\x03");
    std::string unknownTrigger = record(utf16(L"later") + u16(1016) + u16(4000) + u16(7) + u16(7));
    std::string gone = record(utf16(L"gone") + u16(1016) + u16(1006));
    ASSERT_TRUE(test::writeFileBytes(commandFilePath(), unknownAction + gone + unknownTrigger));

    CommandFile file;
    EXPECT_EQ(file.deleteCommand(L"Gone"), 1);
    EXPECT_EQ(readFileBytes(commandFilePath()), unknownAction + unknownTrigger);

    Command read;
    ASSERT_EQ(file.readNextCommand(0, read), 1);
    EXPECT_EQ(static_cast<WORD>(read.actionKind), 2000);
    ASSERT_EQ(file.readNextCommand(1, read), 1);
    EXPECT_EQ(static_cast<WORD>(read.triggerKind), 4000);
    EXPECT_EQ(file.readNextCommand(2, read), 0);
}

TEST_F(CommandFileTest, EditingMovesTheCommandToTheEnd)
{
    CommandFile file;
    for (const wchar_t* name : {L"a", L"b", L"c"})
        ASSERT_EQ(file.appendCommand(named(name, ActionKind::CloseAllPrograms)), 1);
    Command edited = named(L"B", ActionKind::ShowMessage);
    ASSERT_EQ(file.deleteCommand(L"b"), 1);
    ASSERT_EQ(file.appendCommand(edited), 1);

    std::vector<std::wstring> names;
    Command read;
    for (DWORD index = 0; file.readNextCommand(index, read); ++index) names.push_back(read.commandName);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"a", L"c", L"B"}));
}

// ---------------------------------------------------------------------------
// Damaged files: reading stops at the damage, and nothing after it is trusted.
// The next change keeps every record before it, sets the rest aside byte for
// byte in a file that no later one overwrites, and says so once. A later
// version's longer record is no damage.

TEST_F(CommandFileTest, DamageEndsReadingAndTheNextChangeSetsTheRestAside)
{
    std::string good1 = record(utf16(L"good1") + u16(1016) + u16(1008));
    std::string good2 = record(utf16(L"good2") + u16(1014) + utf16(L"hi") + u16(1006));
    std::string after = record(utf16(L"after") + u16(1016) + u16(1008));
    std::string tooLong = utf16(L"big") + u16(1014) + utf16(repeated(L'm', 1023)) + u16(1008);
    tooLong.resize(CommandFile::MaxKeptBodyLength + 1, '\0');

    struct Case {
        const char* what;
        std::string damage;
        bool atEnd;   // nothing may follow it
    } cases[] = {
        {"length beyond any record kept, the body all there", record(tooLong), false},
        {"length of all bits", u32(0xFFFFFFFFul) + utf16(L"x") + u16(1016) + u16(1008), true},
        {"body shorter than its length", u32(40) + utf16(L"short") + u16(1016), true},
        {"half a length", std::string("\x05\x00", 2), true},
        {"empty body", u32(0), false},
        {"name without terminator in the body", record(std::string("a\0b\0", 4)), false},
        {"name longer than its field", record(utf16(repeated(L'n', 260)) + u16(1016) + u16(1008)), false},
        {"message longer than its field", record(utf16(L"m") + u16(1014) + utf16(repeated(L'm', 1024)) + u16(1008)),
         false},
        {"odd byte instead of a terminator", record(utf16(L"ab").substr(0, 5)), false},
        {"body ends before the trigger", record(utf16(L"p") + u16(1011) + utf16(L"\\x.exe") + utf16(L"")), false},
        {"body ends inside the arguments", record(utf16(L"p") + u16(1011) + utf16(L"\\x.exe") + "a"), false},
        {"body ends before the repeat count is whole", record(utf16(L"s") + u16(1013) + utf16(L"w") + "\x01\x00"),
         false},
        {"body ends before the subfolder flag", record(utf16(L"f") + u16(1015) + utf16(L"\\T")), false},
        {"schedule without its weekday mask", record(utf16(L"w") + u16(1016) + u16(1007) + u16(1)), false},
        {"schedule without its time", record(utf16(L"t") + u16(1016) + u16(1007) + u16(0) + u16(1089) + u16(7)),
         false},
    };
    int setAside = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string rest = c.damage + (c.atEnd ? "" : after);
        ASSERT_TRUE(test::writeFileBytes(commandFilePath(), good1 + good2 + rest));

        CommandFile file;
        std::vector<std::wstring> names;
        Command read;
        for (DWORD index = 0; file.readNextCommand(index, read); ++index) names.push_back(read.commandName);
        EXPECT_EQ(names, (std::vector<std::wstring>{L"good1", L"good2"}));
        // Whatever the damaged record left in the command, every text stays terminated.
        for (const auto& [text, capacity] : {std::pair{read.commandName, PathCapacity},
                                             {read.action.programPath, PathCapacity},
                                             {read.action.programArguments, PathCapacity},
                                             {read.action.messageText, MessageCapacity},
                                             {read.action.soundName, PathCapacity},
                                             {read.action.folderPath, PathCapacity}})
            EXPECT_LT(boundedLength(text, capacity), capacity);

        Command found;
        EXPECT_EQ(file.findCommand(L"after", found), 0);
        EXPECT_EQ(file.commandExists(L"after"), 0);
        EXPECT_EQ(file.commandExists(L"good2"), 1);

        test::DialogDriver driver;
        driver.answerMessageBox(IDOK);
        EXPECT_EQ(file.deleteCommand(L"good1"), 1);
        ++setAside;
        EXPECT_EQ(readFileBytes(commandFilePath()), good2);
        EXPECT_EQ(readFileBytes(test::setAsidePath(setAside)), rest);
        ASSERT_EQ(driver.messageBoxes().size(), 1u);
        EXPECT_EQ(driver.messageBoxes()[0].text,
                  L"Part of the command file could not be read. Every command before it was kept, and the rest "
                  L"was set aside in " + test::setAsidePath(setAside) + L".");
        EXPECT_EQ(driver.messageBoxes()[0].style, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
        // Said once: the file is whole again, and the driver answers no more boxes.
        EXPECT_EQ(file.appendCommand(named(L"new", ActionKind::CloseAllPrograms)), 1);
        EXPECT_TRUE(driver.finished());
        EXPECT_FALSE(test::fileExists(temporaryFilePath()));
    }
    // No rest was written over another.
    EXPECT_EQ(readFileBytes(test::setAsidePath(1)), cases[0].damage + after);

    // A later version's record, longer than any this one writes but whole, is
    // no damage: it is read past, and a change keeps it byte for byte.
    tooLong.resize(CommandFile::MaxKeptBodyLength);
    ASSERT_TRUE(test::writeFileBytes(commandFilePath(), good1 + record(tooLong) + after));
    CommandFile file;
    Command read;
    std::vector<std::wstring> names;
    for (DWORD index = 0; file.readNextCommand(index, read); ++index) names.push_back(read.commandName);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"good1", L"big", L"after"}));
    EXPECT_EQ(file.deleteCommand(L"good1"), 1);
    EXPECT_EQ(readFileBytes(commandFilePath()), record(tooLong) + after);
    EXPECT_FALSE(test::fileExists(test::setAsidePath(setAside + 1)));
}

// ---------------------------------------------------------------------------
// Failures the user is told about, and recovery

TEST_F(CommandFileTest, OpenFailureShowsItsCodeAndEveryOperationFails)
{
    // A folder where the file should be: the platform refuses to open it.
    ASSERT_TRUE(CreateDirectoryW(commandFilePath().c_str(), nullptr));
    HANDLE probe = CreateFileW(commandFilePath().c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
    ASSERT_EQ(probe, INVALID_HANDLE_VALUE);
    std::wstring expected = L"Unable to open command file. Reinstall Morvane or contact support.\r\nCode: " +
                            std::to_wstring(GetLastError());

    test::DialogDriver driver;
    for (int i = 0; i < 5; ++i) driver.answerMessageBox(IDOK);
    CommandFile file;
    Command command;
    EXPECT_EQ(file.readNextCommand(0, command), 0);
    EXPECT_EQ(file.findCommand(L"a", command), 0);
    EXPECT_EQ(file.commandExists(L"a"), 0);
    EXPECT_EQ(file.appendCommand(named(L"a", ActionKind::CloseAllPrograms)), 0);
    EXPECT_EQ(file.deleteCommand(L"a"), 0);

    EXPECT_TRUE(driver.finished());
    ASSERT_EQ(driver.messageBoxes().size(), 5u);
    for (const auto& box : driver.messageBoxes()) {
        EXPECT_EQ(box.caption, L"Morvane");
        EXPECT_EQ(box.text, expected);
    }
}

TEST_F(CommandFileTest, TemporaryFileFailureKeepsTheCommandFile)
{
    CommandFile file;
    ASSERT_EQ(file.appendCommand(named(L"a", ActionKind::CloseAllPrograms)), 1);
    ASSERT_EQ(file.appendCommand(named(L"b", ActionKind::CloseAllPrograms)), 1);
    std::string before = readFileBytes(commandFilePath());
    ASSERT_TRUE(CreateDirectoryW(temporaryFilePath().c_str(), nullptr));

    test::DialogDriver driver;
    driver.answerMessageBox(IDOK);
    EXPECT_EQ(file.deleteCommand(L"a"), 0);
    EXPECT_TRUE(driver.finished());
    ASSERT_EQ(driver.messageBoxes().size(), 1u);
    EXPECT_EQ(driver.messageBoxes()[0].caption, L"Morvane");
    EXPECT_EQ(driver.messageBoxes()[0].text, L"Unable to create temp file.");
    EXPECT_EQ(readFileBytes(commandFilePath()), before);
}

// An older delete that stopped after removing the command file left the kept
// records in the temporary file only; it comes back only when it reads whole.
TEST_F(CommandFileTest, LeftoverTemporaryFileBecomesTheCommandFile)
{
    std::string kept = hexBytes(CloseAllExample) + hexBytes(CleanFolderExample);
    ASSERT_TRUE(test::writeFileBytes(temporaryFilePath(), kept));

    CommandFile file;
    Command read;
    ASSERT_EQ(file.readNextCommand(0, read), 1);
    EXPECT_STREQ(read.commandName, L"abc");
    ASSERT_EQ(file.readNextCommand(1, read), 1);
    EXPECT_STREQ(read.commandName, L"x");
    EXPECT_EQ(file.readNextCommand(2, read), 0);
    EXPECT_EQ(readFileBytes(commandFilePath()), kept);
    EXPECT_FALSE(test::fileExists(temporaryFilePath()));

    // One that does not read whole (cut short) is removed, not adopted.
    ASSERT_TRUE(DeleteFileW(commandFilePath().c_str()));
    ASSERT_TRUE(test::writeFileBytes(temporaryFilePath(), kept.substr(0, kept.size() - 1)));
    EXPECT_EQ(file.readNextCommand(0, read), 0);
    EXPECT_EQ(readFileBytes(commandFilePath()), "");
    EXPECT_FALSE(test::fileExists(temporaryFilePath()));
    ASSERT_TRUE(test::writeFileBytes(commandFilePath(), kept));

    // With the command file there, a temporary file is what a failed
    // replacement left: it is removed, and can never come back later as an
    // outdated command file.
    ASSERT_TRUE(test::writeFileBytes(temporaryFilePath(), hexBytes(CloseAllExample)));
    EXPECT_EQ(file.commandExists(L"x"), 1);
    EXPECT_EQ(readFileBytes(commandFilePath()), kept);
    EXPECT_FALSE(test::fileExists(temporaryFilePath()));
    ASSERT_TRUE(DeleteFileW(commandFilePath().c_str()));
    EXPECT_EQ(file.commandExists(L"abc"), 0);
}

namespace {

// Holds the command file open, as a reader in another process does, from the
// "-ready" event until the "-release" event.
int holdCommandFileOpen(const std::wstring& events)
{
    instanceHandle = GetModuleHandleW(nullptr);
    ScopedHandle ready(OpenEventW(EVENT_MODIFY_STATE, FALSE, (events + L"-ready").c_str()));
    ScopedHandle release(OpenEventW(SYNCHRONIZE, FALSE, (events + L"-release").c_str()));
    if (!ready || !release) return 2;
    ScopedHandle file(CreateFileW(commandFilePath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 3;
    SetEvent(ready.get());
    return WaitForSingleObject(release.get(), 60000) == WAIT_OBJECT_0 ? 0 : 4;
}
TEST_CHILD_MODE(L"hold-command-file", holdCommandFileOpen);

} // namespace

// The platform cannot replace a file another process holds open: the delete
// gives up after a while, says so, and keeps the file as it was; so does a
// replacement.
TEST_F(CommandFileTest, DeleteFailsWhileAnotherProcessHoldsTheFile)
{
    CommandFile file;
    ASSERT_EQ(file.appendCommand(named(L"a", ActionKind::CloseAllPrograms)), 1);
    ASSERT_EQ(file.appendCommand(named(L"b", ActionKind::CloseAllPrograms)), 1);
    std::string before = readFileBytes(commandFilePath());

    std::wstring events = L"MorvaneTestHold-" + std::to_wstring(GetCurrentProcessId());
    ScopedHandle ready(CreateEventW(nullptr, TRUE, FALSE, (events + L"-ready").c_str()));
    ScopedHandle release(CreateEventW(nullptr, TRUE, FALSE, (events + L"-release").c_str()));
    HANDLE child = test::startChild(L"hold-command-file", events);
    ASSERT_NE(child, nullptr);
    HANDLE waits[] = {ready.get(), child};
    ASSERT_EQ(WaitForMultipleObjects(2, waits, FALSE, 30000), WAIT_OBJECT_0) << "the child did not open the file";

    test::DialogDriver driver;
    driver.answerMessageBox(IDOK).answerMessageBox(IDOK);
    EXPECT_EQ(file.deleteCommand(L"a"), 0);
    EXPECT_EQ(readFileBytes(commandFilePath()), before);
    EXPECT_FALSE(test::fileExists(temporaryFilePath())) << "the copy of a change said to have failed is left";
    Command stored;
    ASSERT_EQ(file.findCommand(L"a", stored), 1);
    EXPECT_EQ(file.replaceCommand(stored, named(L"c", ActionKind::CloseAllPrograms)), 0);
    EXPECT_EQ(readFileBytes(commandFilePath()), before);
    ASSERT_EQ(driver.messageBoxes().size(), 2u);
    for (const auto& box : driver.messageBoxes()) {
        EXPECT_EQ(box.text, L"Unable to replace the command file; another program may be using it. "
                            L"Nothing was changed.\r\nCode: 5");
        EXPECT_EQ(box.caption, L"Morvane");
        EXPECT_EQ(box.style, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    }

    SetEvent(release.get());
    test::ProcessResult result = test::waitProgram(child, test::MachineWaitMs);
    EXPECT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0u);

    EXPECT_EQ(file.deleteCommand(L"a"), 1);
    EXPECT_EQ(readFileBytes(commandFilePath()), record(utf16(L"b") + u16(1016) + u16(1008)));
    EXPECT_FALSE(test::fileExists(temporaryFilePath()));
}

// The file system refuses to grow a file past its size limit, so a file that
// ends ten bytes before the limit takes only ten bytes of a record: a real
// short write. The record that a tool writes in place is cut off again and
// the user told.
TEST_F(CommandFileTest, ShortWriteIsCutOffAndReported)
{
    constexpr LONGLONG Limit = (16LL << 40) - 4096;   // ext4 with 4 KiB blocks
    LARGE_INTEGER end;
    end.QuadPart = Limit - 10;
    {
        ScopedHandle probe(CreateFileW(commandFilePath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(probe);
        DWORD written = 0;
        if (!SetFilePointerEx(probe.get(), end, nullptr, FILE_BEGIN) || !SetEndOfFile(probe.get()) ||
            !WriteFile(probe.get(), "0123456789abcdef", 16, &written, nullptr) || written != 10)
            GTEST_SKIP() << "this file system has no size limit at " << Limit;
        ASSERT_TRUE(SetFilePointerEx(probe.get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(probe.get()));
    }

    test::DialogDriver driver;
    driver.answerMessageBox(IDOK);
    CommandFile file;
    ASSERT_EQ(file.openCommandFile(), 1);
    EXPECT_EQ(file.writeCommand(named(L"abc", ActionKind::CloseAllPrograms, TriggerKind::AfterReset)), 0);
    file.closeCommandFile();
    EXPECT_TRUE(driver.finished());
    ASSERT_EQ(driver.messageBoxes().size(), 1u);
    EXPECT_EQ(driver.messageBoxes()[0].caption, L"Morvane");
    EXPECT_EQ(driver.messageBoxes()[0].text, L"Bytes Written != Record Length : 6 != 12");
    EXPECT_EQ(driver.messageBoxes()[0].style, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));

    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExW(commandFilePath().c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ((static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow, end.QuadPart);
}
