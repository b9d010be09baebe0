// What "Finish" stores, and what it must never lose or change unasked: journeys
// through the real wizard that end with the command file checked byte for
// byte.
#include "commands/command_file.h"
#include "resources/resource.h"
#include "tests/commands/command_file_fixture.h"
#include "tests/support/dialog_driver.h"
#include "wizard/command_wizard.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using test::DialogDriver;
using test::record;
using test::u16;
using test::utf16;
using Page = HWND;

void next(Page page) { DialogDriver::pressButton(page, IDC_WIZARD_NEXT); }
void finish(Page page) { DialogDriver::pressButton(page, IDC_WIZARD_FINISH); }
void name(Page page, const wchar_t* text)
{
    DialogDriver::setText(page, IDC_NAME_EDIT, text);
    next(page);
}

// Hand-built records: a command that closes every program, one that shows a
// message, and a Cleanup command, each run after a reset (1006) unless told.
std::string closeAll(const wchar_t* name, unsigned trigger = 1006)
{
    return record(utf16(name) + u16(1016) + u16(trigger));
}
std::string message(const wchar_t* name, const wchar_t* text, unsigned trigger = 1006)
{
    return record(utf16(name) + u16(1014) + utf16(text) + u16(trigger));
}
std::string cleanup(const wchar_t* name, unsigned options)
{
    return record(utf16(name) + u16(1012) + u16(options) + u16(1006));
}

class StoreJourney : public test::CommandFileTest {
protected:
    // Edits the first command of the name, as the command list does, with the
    // steps queued on driver.
    void edit(DialogDriver& driver, const wchar_t* storedName)
    {
        Command command;
        ASSERT_TRUE(CommandFile().findCommand(storedName, command)) << "no command " << storedName;
        CommandWizard().runWizard(nullptr, &command);
        EXPECT_TRUE(driver.finished()) << "the wizard ended before every step ran";
        EXPECT_FALSE(driver.timedOut());
    }
    static std::string stored() { return test::readFileBytes(test::commandFilePath()); }
};

// A changed name may not be another command's in any letter case, while the
// command's own name in another case passes; and an edit replaces only the
// record it started from, so a second record of the same name (which files of
// older versions hold) survives it.
TEST_F(StoreJourney, NamesStayUniqueAndAnEditReplacesOnlyItsOwnRecord)
{
    ASSERT_TRUE(test::writeFileBytes(test::commandFilePath(), closeAll(L"Backup") + closeAll(L"Alarm") +
                                                                   message(L"Twin", L"one") +
                                                                   message(L"TWIN", L"two")));
    {
        DialogDriver driver;
        driver.onPage(L"Step 1", next).onPage(L"Step 2", next);
        driver.onPage(L"Step 3", [](Page page) { name(page, L"backup"); });
        driver.answerMessageBox(IDOK);
        driver.onPage(L"Step 3", [](Page page) { name(page, L"ALARM"); });
        driver.onPage(L"Step 4", finish);
        edit(driver, L"Alarm");
        ASSERT_EQ(driver.messageBoxes().size(), 1u);
        EXPECT_EQ(driver.messageBoxes()[0].text, L"This name already exists. Please choose another");
        EXPECT_EQ(driver.messageBoxes()[0].caption, L"Zel Morvane");
    }
    {
        DialogDriver driver;
        driver.onPage(L"Step 1", next);
        driver.onPage(L"Step 2", [](Page page) {
            DialogDriver::setText(page, IDC_MESSAGE_TEXT_EDIT, L"three");
            next(page);
        });
        driver.onPage(L"Step 3", next).onPage(L"Step 4", next).onPage(L"Step 5", finish);
        edit(driver, L"twin");
        EXPECT_TRUE(driver.messageBoxes().empty());
    }
    EXPECT_EQ(stored(), closeAll(L"Backup") + message(L"TWIN", L"two") + closeAll(L"ALARM") +
                            message(L"Twin", L"three"));
}

// The kind tapped on the first page is the kind stored, also over a stored
// Cleanup command, whose hidden button opens checked; left alone, a Cleanup
// command stays one.
TEST_F(StoreJourney, TheKindTappedIsTheKindStored)
{
    ASSERT_TRUE(test::writeFileBytes(test::commandFilePath(),
                                     cleanup(L"Tidy", 5) + cleanup(L"Sweep", 9) + cleanup(L"Keep", 63)));
    {
        DialogDriver driver;
        driver.onPage(L"Step 1", [](Page page) {
            EXPECT_TRUE(DialogDriver::isChecked(page, IDC_ACTION_CLEANUP));
            DialogDriver::click(page, IDC_ACTION_SHOW_MESSAGE);
            next(page);
        });
        driver.onPage(L"Step 2", [](Page page) {
            DialogDriver::setText(page, IDC_MESSAGE_TEXT_EDIT, L"Hello");
            next(page);
        });
        driver.onPage(L"Step 3", next).onPage(L"Step 4", next).onPage(L"Step 5", finish);
        edit(driver, L"Tidy");
    }
    {
        DialogDriver driver;
        driver.onPage(L"Step 1", [](Page page) {
            DialogDriver::click(page, IDC_ACTION_CLOSE_ALL);
            next(page);
        });
        driver.onPage(L"Step 2", next).onPage(L"Step 3", next).onPage(L"Step 4", finish);
        edit(driver, L"Sweep");
    }
    {
        DialogDriver driver;
        driver.onPage(L"Step 1", next);
        driver.onPage(L"Step 2", [](Page page) {
            EXPECT_NE(GetDlgItem(page, IDC_CLEANUP_REGISTRY), nullptr) << "not the cleanup page";
            next(page);
        });
        driver.onPage(L"Step 3", next).onPage(L"Step 4", next).onPage(L"Step 5", finish);
        edit(driver, L"Keep");
    }
    EXPECT_EQ(stored(), message(L"Tidy", L"Hello") + closeAll(L"Sweep") + cleanup(L"Keep", 63));
}

// An edited command keeps a name it already has, ";" and all; a new or
// changed name with ";" is refused.
TEST_F(StoreJourney, AnUnchangedStoredNamePassesWhateverItHolds)
{
    ASSERT_TRUE(test::writeFileBytes(test::commandFilePath(), closeAll(L"Work;Play")));
    DialogDriver driver;
    driver.onPage(L"Step 1", next);
    driver.onPage(L"Step 2", [](Page page) {
        DialogDriver::click(page, IDC_TRIGGER_AFTER_POWER_ON);
        next(page);
    });
    driver.onPage(L"Step 3", [](Page page) { name(page, L"Work;Rest"); });
    driver.answerMessageBox(IDOK);
    driver.onPage(L"Step 3", [](Page page) { name(page, L"Work;Play"); });
    driver.onPage(L"Step 4", finish);
    edit(driver, L"Work;Play");
    ASSERT_EQ(driver.messageBoxes().size(), 1u);
    EXPECT_EQ(driver.messageBoxes()[0].text, L"A command name cannot contain \";\". Please choose another");
    EXPECT_EQ(stored(), closeAll(L"Work;Play", 1008));
}

// A store that cannot reach the file says so, with the program's caption and
// the exclamation icon, and changes nothing: the wizard stays on its summary
// with everything entered, and "Finish" pressed again once the file is free
// stores the edit.
TEST_F(StoreJourney, AFailedEditIsSaidAndFinishCanBePressedAgain)
{
    const std::string held = closeAll(L"Kept");
    ASSERT_TRUE(test::writeFileBytes(test::commandFilePath(), held));
    DialogDriver driver;
    driver.onPage(L"Step 1", next).onPage(L"Step 2", next);
    driver.onPage(L"Step 3", [](Page page) { name(page, L"Renamed"); });
    ScopedHandle reader;
    std::wstring summary;
    driver.onPage(L"Step 4", [&](Page page) {
        reader.reset(CreateFileW(test::commandFilePath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        summary = DialogDriver::controlText(page, IDC_FINISHED_SUMMARY);
        finish(page);
    });
    driver.answerMessageBox(IDOK);
    driver.onPage(L"Step 4", [&](Page page) {
        EXPECT_EQ(stored(), held) << "a failed edit changed the file";
        EXPECT_EQ(DialogDriver::controlText(page, IDC_FINISHED_SUMMARY), summary);
        reader.reset();
        finish(page);
    });
    edit(driver, L"Kept");
    ASSERT_EQ(driver.messageBoxes().size(), 1u);
    EXPECT_EQ(driver.messageBoxes()[0].text, L"Unable to replace the command file; another program may be using it. "
                                             L"Nothing was changed.\r\nCode: 5");
    EXPECT_EQ(driver.messageBoxes()[0].caption, L"Morvane");
    EXPECT_EQ(driver.messageBoxes()[0].style, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_NE(summary.find(L"Renamed"), std::wstring::npos) << summary;
    EXPECT_EQ(stored(), closeAll(L"Renamed"));
}

} // namespace
