// The wizard's journeys through its real pages: what the user sees on each
// page, what "Finish" stores, and what "Cancel" leaves alone.
#include "commands/command_file.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/main_window.h"
#include "tests/commands/command_file_fixture.h"
#include "tests/support/dialog_driver.h"
#include "wizard/command_wizard.h"
#include "wizard/wizard_state.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using test::DialogDriver;
using Page = HWND;

Command stored(const wchar_t* name, ActionKind action = ActionKind::CloseAllPrograms,
               TriggerKind trigger = TriggerKind::AfterReset)
{
    Command command;
    wcscpy(command.commandName, name);
    command.actionKind = action;
    command.triggerKind = trigger;
    return command;
}

std::vector<std::wstring> storedNames()
{
    std::vector<std::wstring> names;
    CommandFile file;
    Command command;
    for (DWORD i = 0; file.readNextCommand(i, command); ++i) names.push_back(command.commandName);
    return names;
}

void next(Page page) { DialogDriver::pressButton(page, IDC_WIZARD_NEXT); }
void back(Page page) { DialogDriver::pressButton(page, IDC_WIZARD_BACK); }

class WizardTest : public test::CommandFileTest {
protected:
    // Runs the wizard with the steps queued on driver; fails when a step is
    // left. The wizard's result: 1 when it stored the command.
    int run(DialogDriver& driver, Command* edited = nullptr)
    {
        CommandWizard wizard;
        int stored = wizard.runWizard(nullptr, edited);
        EXPECT_TRUE(driver.finished()) << "the wizard ended before every step ran";
        EXPECT_FALSE(driver.timedOut());
        EXPECT_EQ(wizardStarted, 0);
        return stored;
    }
};

// From the main dialog, a command that closes every program at power-on: four
// pages, steps 1 to 4, and a record of exactly the bytes the file format gives.
TEST_F(WizardTest, MainDialogCreatesACloseAllCommandInFourSteps)
{
    std::vector<std::wstring> captions;
    auto seen = [&captions](Page page) { captions.push_back(DialogDriver::windowText(page)); };
    DialogDriver driver;
    driver.onDialog(L"Morvane", [](HWND main) { DialogDriver::pressButton(main, IDC_MAIN_NEW_COMMAND); });
    driver.onPage(L"Step 1", [&](Page page) {
        seen(page);
        EXPECT_FALSE(DialogDriver::isEnabled(page, IDC_WIZARD_BACK));
        EXPECT_FALSE(DialogDriver::isVisible(page, IDC_ACTION_CLEANUP));
        EXPECT_TRUE(DialogDriver::isChecked(page, IDC_ACTION_LAUNCH_PROGRAM));
        DialogDriver::click(page, IDC_ACTION_CLOSE_ALL);
        EXPECT_FALSE(DialogDriver::isChecked(page, IDC_ACTION_LAUNCH_PROGRAM));
        next(page);
    });
    driver.onPage(L"Step 2", [&](Page page) {
        seen(page);
        EXPECT_TRUE(DialogDriver::isChecked(page, IDC_TRIGGER_AFTER_POWER_ON));
        next(page);
    });
    driver.onPage(L"Step 3", [&](Page page) {
        seen(page);
        DialogDriver::setText(page, IDC_NAME_EDIT, L"Close");
        next(page);
    });
    driver.onPage(L"Step 4", [&](Page page) {
        seen(page);
        EXPECT_EQ(DialogDriver::controlText(page, IDC_FINISHED_SUMMARY),
                  L"Command Name: Close\r\nRun: When device is powered on\r\n\r\n"
                  L"Command: Close all applications\r\n");
        DialogDriver::pressButton(page, IDC_WIZARD_FINISH);
    });
    driver.onDialog(L"Morvane", [](HWND main) { DialogDriver::closeWindow(main); });
    runMainDialog(nullptr);

    EXPECT_TRUE(driver.finished());
    EXPECT_EQ(captions, (std::vector<std::wstring>{L"Step 1", L"Step 2", L"Step 3", L"Step 4"}));
    EXPECT_EQ(pageHistory[1], IDD_ACTION_TYPE_PAGE);
    EXPECT_EQ(pageHistory[2], IDD_TRIGGER_PAGE);
    EXPECT_EQ(pageHistory[3], IDD_NAME_PAGE);
    EXPECT_EQ(test::readFileBytes(test::commandFilePath()),
              test::record(test::utf16(L"Close") + test::u16(1016) + test::u16(1008)));
}

// "< Back" shows the earlier page with its earlier step number and keeps
// nothing of the trigger page; going forward again takes the new path.
TEST_F(WizardTest, BackKeepsStepNumbersAndForwardTakesTheNewPath)
{
    DialogDriver driver;
    driver.onPage(L"Step 1", [](Page page) { DialogDriver::click(page, IDC_ACTION_CLOSE_ALL); next(page); });
    driver.onPage(L"Step 2", [](Page page) { DialogDriver::click(page, IDC_TRIGGER_AFTER_RESET); next(page); });
    driver.onPage(L"Step 3", [](Page page) { DialogDriver::setText(page, IDC_NAME_EDIT, L"Kept"); back(page); });
    driver.onPage(L"Step 2", [](Page page) {
        EXPECT_TRUE(DialogDriver::isChecked(page, IDC_TRIGGER_AFTER_RESET));
        DialogDriver::click(page, IDC_TRIGGER_FIRST_OF_DAY);
        back(page);   // not kept
    });
    driver.onPage(L"Step 1", [](Page page) { next(page); });
    driver.onPage(L"Step 2", [](Page page) {
        EXPECT_TRUE(DialogDriver::isChecked(page, IDC_TRIGGER_AFTER_RESET));
        next(page);
    });
    driver.onPage(L"Step 3", [](Page page) {
        EXPECT_EQ(DialogDriver::controlText(page, IDC_NAME_EDIT), L"Kept");
        back(page);
    });
    driver.onPage(L"Step 2", [](Page page) { back(page); });
    // Forward again along a new path: "On a certain date" leads to the
    // recurrence page, as step 3.
    driver.onPage(L"Step 1", [](Page page) { next(page); });
    driver.onPage(L"Step 2", [](Page page) { DialogDriver::click(page, IDC_TRIGGER_ON_SCHEDULE); next(page); });
    driver.onPage(L"Step 3", [](Page page) {
        EXPECT_NE(GetDlgItem(page, IDC_RECUR_DAILY), nullptr);
        DialogDriver::pressButton(page, IDCANCEL);
    });
    run(driver);
    EXPECT_EQ(pageHistory[2], IDD_TRIGGER_PAGE);
    EXPECT_EQ(nextPage, IDD_RECURRENCE_PAGE);
    EXPECT_FALSE(test::fileExists(test::commandFilePath()));
}

// The longest path: a program launched weekly has seven pages, and every
// page left with "Next >" holds its step's slot.
TEST_F(WizardTest, TheLongestPathHasSevenPages)
{
    DialogDriver driver;
    driver.onPage(L"Step 1", [](Page page) { next(page); });
    driver.onPage(L"Step 2", [](Page page) {
        DialogDriver::setText(page, IDC_PROGRAM_PATH, L"\\Windows\\backup.exe");
        next(page);
    });
    driver.onPage(L"Step 3", [](Page page) { DialogDriver::click(page, IDC_TRIGGER_ON_SCHEDULE); next(page); });
    driver.onPage(L"Step 4", [](Page page) { DialogDriver::click(page, IDC_RECUR_WEEKLY); next(page); });
    driver.onPage(L"Step 5", [](Page page) { DialogDriver::click(page, IDC_WEEKLY_MONDAY); next(page); });
    driver.onPage(L"Step 6", [](Page page) { DialogDriver::setText(page, IDC_NAME_EDIT, L"Weekly backup"); next(page); });
    driver.onPage(L"Step 7", [](Page page) { DialogDriver::pressButton(page, IDC_WIZARD_FINISH); });
    EXPECT_EQ(run(driver), 1);
    const int expected[] = {0, IDD_ACTION_TYPE_PAGE, IDD_PROGRAM_PAGE, IDD_TRIGGER_PAGE,
                            IDD_RECURRENCE_PAGE, IDD_WEEKLY_PAGE, IDD_NAME_PAGE};
    for (int slot = 1; slot <= 6; ++slot) EXPECT_EQ(pageHistory[slot], expected[slot]) << "slot " << slot;
    EXPECT_EQ(pageHistory[7], 0);
    Command stored;
    ASSERT_TRUE(CommandFile().findCommand(L"Weekly backup", stored));
    EXPECT_STREQ(stored.action.programPath, L"\\Windows\\backup.exe");
    EXPECT_EQ(stored.schedule.recurrence, Recurrence::Weekly);
    EXPECT_TRUE(stored.schedule.weekdayMask & (1 << 1));
}

// "Cancel", the close box and WM_CANCELMODE, on every page and in both modes,
// leave the command file exactly as it was.
TEST_F(WizardTest, EveryWayOutOfEveryPageLeavesTheFileUntouched)
{
    CommandFile file;
    ASSERT_TRUE(file.appendCommand(stored(L"First")));
    ASSERT_TRUE(file.appendCommand(stored(L"Second", ActionKind::CloseAllPrograms, TriggerKind::AfterPowerOn)));
    const std::string before = test::readFileBytes(test::commandFilePath());
    using Leave = void (*)(Page);
    const Leave ways[] = {
        [](Page page) { DialogDriver::pressButton(page, IDCANCEL); },
        [](Page page) { DialogDriver::closeWindow(page); },
        [](Page page) { PostMessageW(page, WM_CANCELMODE, 0, 0); },
    };
    for (int edit = 0; edit < 2; ++edit) {
        for (int leaveAt = 1; leaveAt <= 4; ++leaveAt) {
            for (Leave leave : ways) {
                SCOPED_TRACE(testing::Message() << "edit " << edit << ", leaving step " << leaveAt);
                DialogDriver driver;
                for (int step = 1; step <= leaveAt; ++step) {
                    driver.onPage(L"Step " + std::to_wstring(step), [=](Page page) {
                        if (step == 1) DialogDriver::click(page, IDC_ACTION_CLOSE_ALL);
                        if (step == 3) DialogDriver::setText(page, IDC_NAME_EDIT, L"Third");
                        step == leaveAt ? leave(page) : next(page);
                    });
                }
                Command edited = stored(L"First");
                run(driver, edit ? &edited : nullptr);
                EXPECT_EQ(test::readFileBytes(test::commandFilePath()), before);
            }
        }
    }
}

// Passes the name page with this name (or stops at its first refusal) and
// returns the message boxes it showed.
std::vector<test::MessageBoxRecord> nameJourney(const std::wstring& name, Command* edited = nullptr)
{
    DialogDriver driver;
    driver.onPage(L"Step 1", [](Page page) { DialogDriver::click(page, IDC_ACTION_CLOSE_ALL); next(page); });
    driver.onPage(L"Step 2", [](Page page) { next(page); });
    driver.onPage(L"Step 3", [name](Page page) { DialogDriver::setText(page, IDC_NAME_EDIT, name); next(page); });
    driver.onDialogWhere(L"the box or the last page",
                         [](HWND dialog) {
                             return DialogDriver::isMessageBox(dialog) || DialogDriver::windowText(dialog) == L"Step 4";
                         },
                         [&driver](HWND dialog) {
                             if (DialogDriver::isMessageBox(dialog)) {
                                 driver.answerMessageBox(IDOK);   // recorded as it is answered
                                 driver.onPage(L"Step 3", [](Page page) { DialogDriver::pressButton(page, IDCANCEL); });
                             } else {
                                 DialogDriver::pressButton(dialog, IDC_WIZARD_FINISH);
                             }
                         });
    CommandWizard wizard;
    wizard.runWizard(nullptr, edited);
    EXPECT_TRUE(driver.finished());
    return driver.messageBoxes();
}

TEST_F(WizardTest, NamesAreRefusedOnlyWhenEmptyTakenOrUnsafe)
{
    CommandFile file;
    ASSERT_TRUE(file.appendCommand(stored(L"Backup")));
    ASSERT_TRUE(file.appendCommand(stored(L"Alarm")));

    struct Case {
        std::wstring name, text, caption;
        UINT style;
    } refused[] = {
        {L"BACKUP", L"This name already exists. Please choose another", L"Zel Morvane", MB_OK},
        {L"", L"Please enter a command name", L"Morvane", MB_OK | MB_ICONEXCLAMATION},
        {L"a;b", L"A command name cannot contain \";\". Please choose another", L"Morvane",
         MB_OK | MB_ICONEXCLAMATION},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(testing::Message() << "name \"" << c.name << "\"");
        auto boxes = nameJourney(c.name);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.text);
        EXPECT_EQ(boxes[0].caption, c.caption);
        EXPECT_EQ(boxes[0].style, c.style);
        EXPECT_NE(boxes[0].owner, nullptr);
    }
    EXPECT_TRUE(nameJourney(L"   ").empty());
    EXPECT_EQ(storedNames(), (std::vector<std::wstring>{L"Backup", L"Alarm", L"   "}));

    // Edits: an unchanged name passes and moves the command to the end; a
    // rename onto another stored name is refused as for a new command.
    Command backup;
    ASSERT_TRUE(file.findCommand(L"Backup", backup));
    EXPECT_TRUE(nameJourney(L"Backup", &backup).empty());
    EXPECT_EQ(storedNames(), (std::vector<std::wstring>{L"Alarm", L"   ", L"Backup"}));
    Command alarm;
    ASSERT_TRUE(file.findCommand(L"Alarm", alarm));
    auto boxes = nameJourney(L"backup", &alarm);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, L"Zel Morvane");
    EXPECT_EQ(storedNames(), (std::vector<std::wstring>{L"Alarm", L"   ", L"Backup"}));
}

// An edit whose replacement cannot be written keeps the stored command: the
// old record is never removed before the new one is safely in place. The
// wizard stays on its summary after the message, and "Cancel" leaves it.
TEST_F(WizardTest, AnEditThatCannotBeStoredKeepsTheCommand)
{
    CommandFile file;
    ASSERT_TRUE(file.appendCommand(stored(L"Keep")));
    const std::string before = test::readFileBytes(test::commandFilePath());
    // A folder where the temporary file must go: the replacement cannot start.
    ASSERT_TRUE(CreateDirectoryW(test::temporaryFilePath().c_str(), nullptr));
    Command edited;
    ASSERT_TRUE(file.findCommand(L"Keep", edited));
    DialogDriver driver;
    driver.onPage(L"Step 1", [](Page page) { next(page); });
    driver.onPage(L"Step 2", [](Page page) { DialogDriver::click(page, IDC_TRIGGER_AFTER_POWER_ON); next(page); });
    driver.onPage(L"Step 3", [](Page page) { DialogDriver::setText(page, IDC_NAME_EDIT, L"Renamed"); next(page); });
    driver.onPage(L"Step 4", [](Page page) { DialogDriver::pressButton(page, IDC_WIZARD_FINISH); });
    driver.answerMessageBox(IDOK);
    driver.onPage(L"Step 4", [](Page page) { DialogDriver::pressButton(page, IDCANCEL); });
    EXPECT_EQ(run(driver, &edited), 0);
    ASSERT_EQ(driver.messageBoxes().size(), 1u);
    EXPECT_EQ(driver.messageBoxes()[0].text, L"Unable to create temp file.");
    EXPECT_EQ(test::readFileBytes(test::commandFilePath()), before);
    EXPECT_STREQ(edited.commandName, L"Renamed");
}

} // namespace
