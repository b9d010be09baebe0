// The action detail pages, driven through the real wizard from the real
// templates: what each page refuses and with which message, what it stores
// on "Next >" and on "< Back", the sound list over real ".wav" files in
// C:\Windows, "Test" heard through the platform's sound listener, and
// "Browse..." through the real browser over the device's drive.
#include "commands/command_file.h"
#include "platform/sound.h"
#include "platform/text.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/file_browser.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/test_support.h"
#include "wizard/command_wizard.h"
#include "wizard/wizard_state.h"

#include <commctrl.h>
#include <mmsystem.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using test::DialogDriver;
using test::MessageBoxRecord;

struct Play {
    std::wstring sound;
    DWORD flags;
};
std::vector<Play> plays;

BOOL hearSound(const wchar_t* sound, DWORD flags)
{
    plays.push_back({sound, flags});
    return TRUE;
}

// Sounds in C:\Windows, in no alphabetical order of creation; "alarm" sorts
// first whatever the letter case.
const wchar_t* const soundFiles[] = {L"Chime", L"alarm", L"Beep"};

std::wstring soundFile(const std::wstring& name)
{
    return L"\\\\?\\C:\\Windows\\" + name + L".wav";
}

std::vector<Command> storedCommands()
{
    std::vector<Command> commands;
    CommandFile file;
    Command command;
    for (DWORD i = 0; file.readNextCommand(i, command); ++i) {
        commands.push_back(command);
        command = Command();
    }
    return commands;
}

class DetailPageTest : public testing::Test {
protected:
    void SetUp() override
    {
        instanceHandle = GetModuleHandleW(nullptr);
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TREEVIEW_CLASSES | ICC_DATE_CLASSES};   // as the program
        InitCommonControlsEx(&controls);
        CommandFile file;
        commandFile_ = std::wstring(file.dataFolderPath()) + L"\\zelvane.dat";
        DeleteFileW(commandFile_.c_str());
        for (const wchar_t* name : soundFiles) addSound(name);
        lastSelectedPath[0] = L'\0';   // as at the start of the program
        plays.clear();
        ce::setSoundListener(hearSound);
    }
    void TearDown() override
    {
        ce::setSoundListener(nullptr);
        for (const std::wstring& file : soundsMade_) DeleteFileW(file.c_str());
        DeleteFileW(commandFile_.c_str());
    }

    void addSound(const std::wstring& name)
    {
        soundsMade_.push_back(soundFile(name));
        ASSERT_TRUE(test::writeFileBytes(soundsMade_.back(), "RIFF"));
    }

    // Runs the wizard to its end; the driver must have done every step.
    void run(DialogDriver& driver, Command* edited = nullptr)
    {
        CommandWizard wizard;
        wizard.runWizard(nullptr, edited);
        EXPECT_TRUE(driver.finished());
        EXPECT_FALSE(driver.timedOut());
    }

private:
    std::wstring commandFile_;
    std::vector<std::wstring> soundsMade_;
};

// ActionTypePage: choose an action kind and go on.
void chooseAction(DialogDriver& driver, int action)
{
    driver.onPage(L"Step 1", [action](HWND page) {
        DialogDriver::click(page, action);
        DialogDriver::pressButton(page, IDC_WIZARD_NEXT);
    });
}

void press(DialogDriver& driver, const wchar_t* step, int button)
{
    driver.onPage(step, [button](HWND page) { DialogDriver::pressButton(page, button); });
}

// After a detail page at step 2: the default trigger, a name, "Finish"; the
// summary is kept.
void finishAs(DialogDriver& driver, const wchar_t* name, std::wstring* summary = nullptr)
{
    press(driver, L"Step 3", IDC_WIZARD_NEXT);
    driver.onPage(L"Step 4", [name](HWND page) {
        DialogDriver::setText(page, IDC_NAME_EDIT, name);
        DialogDriver::pressButton(page, IDC_WIZARD_NEXT);
    });
    driver.onPage(L"Step 5", [summary](HWND page) {
        if (summary) *summary = DialogDriver::controlText(page, IDC_FINISHED_SUMMARY);
        DialogDriver::pressButton(page, IDC_WIZARD_FINISH);
    });
}

// A validation message: exact text, "Morvane", OK with the exclamation icon.
void expectRefusal(const MessageBoxRecord& box, const wchar_t* text, HWND owner)
{
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.caption, L"Morvane");
    EXPECT_EQ(box.style, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(box.owner, owner);
}

HWND soundTree(HWND page) { return GetDlgItem(page, IDC_SOUND_TREE); }

std::wstring itemText(HWND tree, HTREEITEM item)
{
    wchar_t text[PathCapacity] = L"";
    TVITEMW read{};
    read.mask = TVIF_TEXT;
    read.hItem = item;
    read.pszText = text;
    read.cchTextMax = PathCapacity;
    if (!item || !TreeView_GetItem(tree, &read)) return L"";
    return text;
}

std::wstring selectedSound(HWND page)
{
    return itemText(soundTree(page), TreeView_GetSelection(soundTree(page)));
}

std::vector<std::wstring> soundNames(HWND page)
{
    std::vector<std::wstring> names;
    HWND tree = soundTree(page);
    for (HTREEITEM item = TreeView_GetRoot(tree); item; item = TreeView_GetNextSibling(tree, item))
        names.push_back(itemText(tree, item));
    return names;
}

// The user taps the sound.
void chooseSound(HWND page, const std::wstring& name)
{
    HWND tree = soundTree(page);
    for (HTREEITEM item = TreeView_GetRoot(tree); item; item = TreeView_GetNextSibling(tree, item))
        if (itemText(tree, item) == name) {
            TreeView_SelectItem(tree, item);
            return;
        }
    ADD_FAILURE() << "no sound " << testing::PrintToString(name);
}

// The browser's item at a path of names ("tests\\x\\a.exe"), letter case ignored.
HTREEITEM findItem(HWND tree, const std::wstring& path)
{
    HTREEITEM item = TreeView_GetRoot(tree);
    for (size_t start = 0;;) {
        size_t end = path.find(L'\\', start);
        std::wstring name = path.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        while (item && _wcsicmp(itemText(tree, item).c_str(), name.c_str()) != 0)
            item = TreeView_GetNextSibling(tree, item);
        if (!item || end == std::wstring::npos) return item;
        item = TreeView_GetChild(tree, item);
        start = end + 1;
    }
}

// In the browser: select the item at path and press "OK", or with no path
// press "Cancel".
void browse(DialogDriver& driver, const wchar_t* caption, const wchar_t* path)
{
    driver.onDialog(caption, [path](HWND browser) {
        if (!path) return DialogDriver::pressButton(browser, IDCANCEL);
        HWND tree = GetDlgItem(browser, IDC_BROWSER_TREE);
        HTREEITEM item = findItem(tree, path);
        ASSERT_NE(item, nullptr) << testing::PrintToString(std::wstring(path));
        TreeView_SelectItem(tree, item);
        DialogDriver::pressButton(browser, IDOK);
    });
}

// The up arrow key in the repeat box, which the up-down control answers.
void pressUpInRepeatBox(HWND page)
{
    SendDlgItemMessageW(page, IDC_SOUND_REPEAT, WM_KEYDOWN, VK_UP, 0);
    SendDlgItemMessageW(page, IDC_SOUND_REPEAT, WM_KEYUP, VK_UP, 0xC0000000);
}

// Typed into a box one character at a time, Enter included.
void type(HWND page, int box, const std::wstring& keys)
{
    for (wchar_t key : keys) PostMessageW(GetDlgItem(page, box), WM_CHAR, key, 0);
}

// "Browse..." fills the box whatever the browse returned: nothing after a
// cancelled first browse, the last confirmed path after a later one.
TEST_F(DetailPageTest, ProgramPageRefusesNoProgramStoresBothBoxesAndBrowses)
{
    test::ScratchFolder folder(L"browse-program");
    ASSERT_TRUE(test::writeFileBytes(folder.file(L"Tool.EXE"), "MZ"));
    const std::wstring browsed = folder.path().substr(3) + L"\\Tool.EXE";   // no "C:\"
    DialogDriver driver;
    HWND refusingPage = nullptr;
    chooseAction(driver, IDC_ACTION_LAUNCH_PROGRAM);
    driver.onPage(L"Step 2", [&](HWND page) {
        refusingPage = page;
        DialogDriver::setText(page, IDC_PROGRAM_ARGUMENTS, L"-quiet");
        DialogDriver::pressButton(page, IDC_WIZARD_NEXT);
    });
    driver.answerMessageBox(IDOK);
    driver.onPage(L"Step 2", [](HWND page) {
        DialogDriver::setText(page, IDC_PROGRAM_PATH, L"typed");
        DialogDriver::pressButton(page, IDC_PROGRAM_BROWSE);
    });
    browse(driver, L"File Selection", nullptr);
    driver.onPage(L"Step 2", [](HWND page) {
        EXPECT_EQ(DialogDriver::controlText(page, IDC_PROGRAM_PATH), L"");
        DialogDriver::pressButton(page, IDC_PROGRAM_BROWSE);
    });
    browse(driver, L"File Selection", browsed.c_str());
    press(driver, L"Step 2", IDC_WIZARD_BACK);
    press(driver, L"Step 1", IDC_WIZARD_NEXT);
    driver.onPage(L"Step 2", [&](HWND page) {
        // "< Back" stored both boxes; the page shows them again.
        EXPECT_EQ(DialogDriver::controlText(page, IDC_PROGRAM_PATH), browsed);
        EXPECT_EQ(DialogDriver::controlText(page, IDC_PROGRAM_ARGUMENTS), L"-quiet");
        DialogDriver::setText(page, IDC_PROGRAM_PATH, L"typed again");
        DialogDriver::setText(page, IDC_PROGRAM_ARGUMENTS, L"");
        DialogDriver::pressButton(page, IDC_PROGRAM_BROWSE);
    });
    browse(driver, L"File Selection", nullptr);
    press(driver, L"Step 2", IDC_WIZARD_NEXT);
    finishAs(driver, L"Tool");
    run(driver);

    ASSERT_EQ(driver.messageBoxes().size(), 1u);
    expectRefusal(driver.messageBoxes()[0], L"Please enter the location of an application to run", refusingPage);
    std::vector<Command> stored = storedCommands();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].actionKind, ActionKind::LaunchProgram);
    EXPECT_EQ(std::wstring(stored[0].action.programPath), browsed);
    EXPECT_STREQ(stored[0].action.programArguments, L"");   // empty arguments are accepted
}

// A person cannot type past what a field stores, 259 characters for a path,
// arguments or a name and 1023 for a message, and what was typed is stored
// whole: the keys beyond do nothing.
TEST_F(DetailPageTest, EveryTextBoxTakesNoMoreThanItsFieldStores)
{
    Command command;
    const struct {
        int page;
        int box;
        const wchar_t* field;
    } boxes[] = {
        {IDD_PROGRAM_PAGE, IDC_PROGRAM_PATH, command.action.programPath},
        {IDD_PROGRAM_PAGE, IDC_PROGRAM_ARGUMENTS, command.action.programArguments},
        {IDD_MESSAGE_PAGE, IDC_MESSAGE_TEXT_EDIT, command.action.messageText},
        {IDD_FOLDER_PAGE, IDC_FOLDER_PATH, command.action.folderPath},
        {IDD_NAME_PAGE, IDC_NAME_EDIT, command.commandName},
    };
    CommandWizard wizard;   // a new command's state
    wizardCommand = &command;
    for (const auto& row : boxes) {
        const size_t holds = row.box == IDC_MESSAGE_TEXT_EDIT ? MessageCapacity - 1 : PathCapacity - 1;
        stepNumber = 1;
        DialogDriver driver;
        driver.onPage(L"Step 1", [&](HWND page) {
            HWND box = GetDlgItem(page, row.box);
            for (size_t i = 0; i < holds + 5; ++i) SendMessageW(box, WM_CHAR, L'a' + i % 26, 0);
            EXPECT_EQ(holds, static_cast<size_t>(GetWindowTextLengthW(box))) << row.box;
            DialogDriver::pressButton(page, IDC_WIZARD_BACK);   // stores the boxes as they are
        });
        openPage(row.page);
        EXPECT_TRUE(driver.finished()) << row.box;
        EXPECT_EQ(holds, wcslen(row.field)) << row.box;
    }
    wizardCommand = nullptr;
}

TEST_F(DetailPageTest, MessagePageRefusesNoTextAndKeepsTypedLineBreaksInRecordAndSummary)
{
    DialogDriver driver;
    HWND refusingPage = nullptr;
    std::wstring summary;
    chooseAction(driver, IDC_ACTION_SHOW_MESSAGE);
    driver.onPage(L"Step 2", [&](HWND page) {
        refusingPage = page;
        DialogDriver::pressButton(page, IDC_WIZARD_NEXT);
    });
    driver.answerMessageBox(IDOK);
    driver.onPage(L"Step 2", [](HWND page) { type(page, IDC_MESSAGE_TEXT_EDIT, L"Back up now\rThen rest"); });
    driver.onPage(L"Step 2", [](HWND page) {
        // Enter started a new line instead of pressing "Next >".
        EXPECT_EQ(DialogDriver::controlText(page, IDC_MESSAGE_TEXT_EDIT), L"Back up now\r\nThen rest");
        DialogDriver::pressButton(page, IDC_WIZARD_NEXT);
    });
    finishAs(driver, L"Reminder", &summary);
    run(driver);

    ASSERT_EQ(driver.messageBoxes().size(), 1u);
    expectRefusal(driver.messageBoxes()[0], L"Please enter some text for the message", refusingPage);
    std::vector<Command> stored = storedCommands();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_STREQ(stored[0].action.messageText, L"Back up now\r\nThen rest");
    EXPECT_NE(summary.find(L"Back up now\r\nThen rest"), std::wstring::npos) << testing::PrintToString(summary);
}

TEST_F(DetailPageTest, NewSoundStartsOnFirstSoundOnceAndTestPlaysTheCountInARow)
{
    DialogDriver driver;
    chooseAction(driver, IDC_ACTION_PLAY_SOUND);
    driver.onPage(L"Step 2", [](HWND page) {
        EXPECT_EQ(soundNames(page), (std::vector<std::wstring>{L"alarm", L"Beep", L"Chime"}));
        EXPECT_EQ(selectedSound(page), L"alarm");
        EXPECT_EQ(DialogDriver::controlText(page, IDC_SOUND_REPEAT), L"1");
        pressUpInRepeatBox(page);
        EXPECT_EQ(DialogDriver::controlText(page, IDC_SOUND_REPEAT), L"2");
        chooseSound(page, L"Beep");
        DialogDriver::setText(page, IDC_SOUND_REPEAT, L"3");
        DialogDriver::pressButton(page, IDC_SOUND_TEST);
    });
    driver.onPage(L"Step 2", [](HWND page) {
        ASSERT_EQ(plays.size(), 3u);
        for (const Play& play : plays) {
            EXPECT_EQ(play.sound, L"\\Windows\\Beep.wav");
            EXPECT_EQ(play.flags, static_cast<DWORD>(SND_SYNC | SND_NODEFAULT));
        }
        DialogDriver::setText(page, IDC_SOUND_REPEAT, L"0");
        DialogDriver::pressButton(page, IDC_SOUND_TEST);
    });
    driver.onPage(L"Step 2", [](HWND page) {
        EXPECT_EQ(plays.size(), 3u);   // a count of 0 plays nothing
        DialogDriver::pressButton(page, IDC_WIZARD_NEXT);
    });
    finishAs(driver, L"Beeper");
    run(driver);

    EXPECT_TRUE(driver.messageBoxes().empty());
    std::vector<Command> stored = storedCommands();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_STREQ(stored[0].action.soundName, L"Beep");
    EXPECT_EQ(stored[0].action.soundRepeatCount, 0);   // accepted as typed
}

TEST_F(DetailPageTest, SoundPageSelectsStoredNameInAnyCaseAndRefusesNoSelectionWithoutOwner)
{
    Command command;
    command.actionKind = ActionKind::PlaySound;
    copyText(command.action.soundName, L"CHIME");
    copyText(command.commandName, L"Ring");
    {
        DialogDriver driver;
        press(driver, L"Step 1", IDC_WIZARD_NEXT);
        driver.onPage(L"Step 2", [](HWND page) {
            EXPECT_EQ(selectedSound(page), L"Chime");
            DialogDriver::pressButton(page, IDC_WIZARD_NEXT);
        });
        press(driver, L"Step 3", IDCANCEL);
        run(driver, &command);
        EXPECT_STREQ(command.action.soundName, L"Chime");   // the file's own spelling
    }

    // A sound whose file has gone selects nothing: "Test" and "Next >" ask
    // for one; "< Back" keeps the stored name and stores the count.
    copyText(command.action.soundName, L"Removed");
    command.action.soundRepeatCount = 7;
    DialogDriver driver;
    press(driver, L"Step 1", IDC_WIZARD_NEXT);
    driver.onPage(L"Step 2", [](HWND page) {
        EXPECT_EQ(selectedSound(page), L"");
        EXPECT_EQ(DialogDriver::controlText(page, IDC_SOUND_REPEAT), L"7");
        DialogDriver::pressButton(page, IDC_SOUND_TEST);
    });
    driver.answerMessageBox(IDOK);
    press(driver, L"Step 2", IDC_WIZARD_NEXT);
    driver.answerMessageBox(IDOK);
    driver.onPage(L"Step 2", [](HWND page) {
        DialogDriver::setText(page, IDC_SOUND_REPEAT, L"5");
        DialogDriver::pressButton(page, IDC_WIZARD_BACK);
    });
    press(driver, L"Step 1", IDCANCEL);
    run(driver, &command);

    ASSERT_EQ(driver.messageBoxes().size(), 2u);
    expectRefusal(driver.messageBoxes()[0], L"Please select a sound to play.", nullptr);
    expectRefusal(driver.messageBoxes()[1], L"Please select a sound before continuing", nullptr);
    EXPECT_TRUE(plays.empty());
    EXPECT_STREQ(command.action.soundName, L"Removed");
    EXPECT_EQ(command.action.soundRepeatCount, 5);
}

TEST_F(DetailPageTest, TestPlaysNothingForASoundWhosePathWouldNotFit)
{
    // "\Windows\" + name + ".wav" is 259 characters for the first name, one
    // too many for the second.
    const std::wstring fits(246, L'f'), tooLong(247, L't');
    addSound(fits);
    addSound(tooLong);
    DialogDriver driver;
    chooseAction(driver, IDC_ACTION_PLAY_SOUND);
    driver.onPage(L"Step 2", [&](HWND page) {
        chooseSound(page, tooLong);
        DialogDriver::pressButton(page, IDC_SOUND_TEST);
    });
    driver.onPage(L"Step 2", [&](HWND page) {
        EXPECT_TRUE(plays.empty());
        chooseSound(page, fits);
        DialogDriver::pressButton(page, IDC_SOUND_TEST);
    });
    press(driver, L"Step 2", IDCANCEL);
    run(driver);

    ASSERT_EQ(plays.size(), 1u);
    EXPECT_EQ(plays[0].sound, L"\\Windows\\" + fits + L".wav");
}

TEST_F(DetailPageTest, FolderPageRefusesNoFolderStoresPathAndSubfoldersAndBrowses)
{
    DialogDriver driver;
    HWND refusingPage = nullptr;
    chooseAction(driver, IDC_ACTION_CLEAN_FOLDER);
    driver.onPage(L"Step 2", [&](HWND page) {
        EXPECT_TRUE(DialogDriver::isChecked(page, IDC_FOLDER_SUBFOLDERS));   // the default
        refusingPage = page;
        DialogDriver::pressButton(page, IDC_WIZARD_NEXT);
    });
    driver.answerMessageBox(IDOK);
    press(driver, L"Step 2", IDC_FOLDER_BROWSE);
    browse(driver, L"Folder Selection", L"Windows");
    driver.onPage(L"Step 2", [](HWND page) {
        DialogDriver::click(page, IDC_FOLDER_SUBFOLDERS);
        DialogDriver::pressButton(page, IDC_WIZARD_BACK);
    });
    press(driver, L"Step 1", IDC_WIZARD_NEXT);
    driver.onPage(L"Step 2", [](HWND page) {
        // A top-level folder's path is its bare name, in the device's spelling.
        EXPECT_EQ(_wcsicmp(DialogDriver::controlText(page, IDC_FOLDER_PATH).c_str(), L"Windows"), 0);
        EXPECT_FALSE(DialogDriver::isChecked(page, IDC_FOLDER_SUBFOLDERS));
        DialogDriver::setText(page, IDC_FOLDER_PATH, L"\\Temp\\Not there yet");
        DialogDriver::pressButton(page, IDC_FOLDER_BROWSE);
    });
    browse(driver, L"Folder Selection", nullptr);
    press(driver, L"Step 2", IDC_WIZARD_NEXT);
    finishAs(driver, L"Sweep");
    run(driver);

    ASSERT_EQ(driver.messageBoxes().size(), 1u);
    expectRefusal(driver.messageBoxes()[0], L"Please enter a folder name to continue", refusingPage);
    std::vector<Command> stored = storedCommands();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(_wcsicmp(stored[0].action.folderPath, L"Windows"), 0);   // cancelled: the last confirmed
    EXPECT_EQ(stored[0].action.includeSubfolders, 0);
}

TEST_F(DetailPageTest, CleanupPageOfStoredCommandRefusesNoOptionAndAcceptsOne)
{
    Command command;
    command.actionKind = ActionKind::Cleanup;
    command.action.cleanupOptions = ClearInternetCache | CleanShortcuts;
    copyText(command.commandName, L"Tidy");
    const int boxes[] = {IDC_CLEANUP_REGISTRY, IDC_CLEANUP_SHORTCUTS, IDC_CLEANUP_TEMPORARY_FILES,
                         IDC_CLEANUP_EMPTY_ITEMS, IDC_CLEANUP_INTERNET_CACHE, IDC_CLEANUP_INTERNET_HISTORY};
    DialogDriver driver;
    HWND refusingPage = nullptr;
    press(driver, L"Step 1", IDC_WIZARD_NEXT);
    driver.onPage(L"Step 2", [&](HWND page) {
        for (int box : boxes)
            EXPECT_EQ(DialogDriver::isChecked(page, box),
                      box == IDC_CLEANUP_INTERNET_CACHE || box == IDC_CLEANUP_SHORTCUTS) << box;
        DialogDriver::click(page, IDC_CLEANUP_INTERNET_CACHE);
        DialogDriver::click(page, IDC_CLEANUP_SHORTCUTS);
        refusingPage = page;
        DialogDriver::pressButton(page, IDC_WIZARD_NEXT);
    });
    driver.answerMessageBox(IDOK);
    driver.onPage(L"Step 2", [&](HWND page) {
        EXPECT_EQ(command.action.cleanupOptions, 0);   // what the refused "Next >" stored
        DialogDriver::click(page, IDC_CLEANUP_EMPTY_ITEMS);
        DialogDriver::click(page, IDC_CLEANUP_REGISTRY);
        DialogDriver::pressButton(page, IDC_WIZARD_BACK);
    });
    driver.onPage(L"Step 1", [&](HWND page) {
        EXPECT_EQ(command.action.cleanupOptions, RemoveEmptyItems | CleanRegistry);
        DialogDriver::pressButton(page, IDC_WIZARD_NEXT);
    });
    driver.onPage(L"Step 2", [](HWND page) {
        DialogDriver::click(page, IDC_CLEANUP_EMPTY_ITEMS);
        DialogDriver::pressButton(page, IDC_WIZARD_NEXT);
    });
    press(driver, L"Step 3", IDCANCEL);
    run(driver, &command);

    ASSERT_EQ(driver.messageBoxes().size(), 1u);
    expectRefusal(driver.messageBoxes()[0], L"You need to check at least one option", refusingPage);
    EXPECT_EQ(command.action.cleanupOptions, CleanRegistry);
}

TEST_F(DetailPageTest, BackToActionTypeAndAnotherKindLeadsAlongTheNewPath)
{
    DialogDriver driver;
    chooseAction(driver, IDC_ACTION_CLOSE_ALL);
    driver.onPage(L"Step 2", [](HWND page) {
        EXPECT_NE(GetDlgItem(page, IDC_TRIGGER_AFTER_POWER_ON), nullptr);   // no detail page
        DialogDriver::pressButton(page, IDC_WIZARD_BACK);
    });
    chooseAction(driver, IDC_ACTION_LAUNCH_PROGRAM);
    driver.onPage(L"Step 2", [](HWND page) {
        EXPECT_NE(GetDlgItem(page, IDC_PROGRAM_PATH), nullptr);
        DialogDriver::setText(page, IDC_PROGRAM_PATH, L"\\Windows\\tool.exe");
        DialogDriver::pressButton(page, IDC_WIZARD_NEXT);
    });
    driver.onPage(L"Step 3", [](HWND page) {
        EXPECT_NE(GetDlgItem(page, IDC_TRIGGER_AFTER_POWER_ON), nullptr);
        DialogDriver::pressButton(page, IDC_WIZARD_NEXT);
    });
    driver.onPage(L"Step 4", [](HWND page) {
        DialogDriver::setText(page, IDC_NAME_EDIT, L"Changed my mind");
        DialogDriver::pressButton(page, IDC_WIZARD_NEXT);
    });
    press(driver, L"Step 5", IDC_WIZARD_FINISH);
    run(driver);

    std::vector<Command> stored = storedCommands();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].actionKind, ActionKind::LaunchProgram);
    EXPECT_STREQ(stored[0].action.programPath, L"\\Windows\\tool.exe");
}

} // namespace
