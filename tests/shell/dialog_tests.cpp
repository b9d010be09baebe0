// The dialogs a user opens from the main dialog: the command list, Options
// and Statistics, driven from their real templates with the messages a
// user's taps produce, on the real command file and settings key.
#include "commands/command_file.h"
#include "platform/notification_db.h"
#include "platform/text.h"
#include "resources/resource.h"
#include "schedule/scheduler.h"
#include "shell/app_state.h"
#include "shell/command_list_dialog.h"
#include "shell/main_window.h"
#include "shell/settings_store.h"
#include "tests/schedule/device_clock_guard.h"
#include "tests/shell/ui_support.h"
#include "tests/support/dialog_driver.h"

namespace {

using Names = std::vector<std::wstring>;
using test::DialogDriver;

Names listNames(HWND dialog)
{
    Names names;
    HWND list = GetDlgItem(dialog, IDC_LIST_NAMES);
    for (LRESULT i = 0; i < SendMessageW(list, LB_GETCOUNT, 0, 0); ++i) {
        wchar_t text[PathCapacity] = L"";
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        names.push_back(text);
    }
    return names;
}

// Which of "Run", "Edit" and "Delete" are enabled.
std::vector<bool> selectionButtons(HWND dialog)
{
    return {DialogDriver::isEnabled(dialog, IDC_LIST_RUN), DialogDriver::isEnabled(dialog, IDC_LIST_EDIT),
            DialogDriver::isEnabled(dialog, IDC_LIST_DELETE)};
}

bool onlyDialogUp(HWND dialog)
{
    if (!GetDlgItem(dialog, IDC_LIST_NAMES)) return false;
    struct Search {
        HWND self;
        bool other;
    } search{dialog, false};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* s = reinterpret_cast<Search*>(parameter);
            wchar_t name[16] = L"";
            GetClassNameW(window, name, 16);
            if (window != s->self && IsWindowVisible(window) && wcscmp(name, L"#32770") == 0) s->other = true;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return !search.other;
}

const std::vector<bool> AllEnabled{true, true, true};
const std::vector<bool> NoneEnabled{false, false, false};

class CommandList : public ui::AppWindowTest {
protected:
    // Runs the command list; steps act on it in turn, and the last one should close it.
    void runList()
    {
        CommandListDialog list;
        list.run(nullptr);
        EXPECT_TRUE(driver_.finished());
    }
    DialogDriver& onList(DialogDriver::Action action) { return driver_.onDialog(L"Morvane", std::move(action)); }

    test::DeviceClockGuard clock_;
    DialogDriver driver_;
};

TEST_F(CommandList, TheFilterShowsTheSortedNamesOfOneTriggerAndTheButtonsFollowTheList)
{
    ui::store({ui::cleanupCommand(L"zeta", TriggerKind::AfterPowerOn),
               ui::cleanupCommand(L"Boot", TriggerKind::AfterReset),
               ui::cleanupCommand(L"Alpha", TriggerKind::AfterPowerOn),
               ui::dailyAt(ui::cleanupCommand(L"Nightly", TriggerKind::OnSchedule), 22, 0),
               ui::cleanupCommand(L"morning", TriggerKind::FirstPowerOnOfDay),
               ui::cleanupCommand(L"Middle", TriggerKind::AfterPowerOn)});
    Command weekly = ui::cleanupCommand(L"Weekly", TriggerKind::OnSchedule);
    weekly.schedule.recurrence = Recurrence::Weekly;
    weekly.schedule.timeMode = TimeMode::AtFirstPowerOn;
    ui::store({weekly});

    onList([](HWND dialog) {
        EXPECT_EQ(L"Device power on", DialogDriver::comboItemText(dialog, IDC_LIST_FILTER, 0));
        EXPECT_EQ(L"Once a day", DialogDriver::comboItemText(dialog, IDC_LIST_FILTER, 1));
        EXPECT_EQ(L"Device reset", DialogDriver::comboItemText(dialog, IDC_LIST_FILTER, 2));
        EXPECT_EQ(L"On a certain day", DialogDriver::comboItemText(dialog, IDC_LIST_FILTER, 3));
        EXPECT_EQ(4, SendDlgItemMessageW(dialog, IDC_LIST_FILTER, CB_GETCOUNT, 0, 0));
        EXPECT_EQ(0, DialogDriver::selectedComboItem(dialog, IDC_LIST_FILTER));
        // Sorted, not in file order; the first one selected.
        EXPECT_EQ((Names{L"Alpha", L"Middle", L"zeta"}), listNames(dialog));
        EXPECT_EQ(0, DialogDriver::selectedListItem(dialog, IDC_LIST_NAMES));
        EXPECT_EQ(AllEnabled, selectionButtons(dialog));

        const struct {
            int filter;
            Names names;
        } table[] = {
            {1, {L"morning"}},
            {2, {L"Boot"}},
            {3, {L"Nightly", L"Weekly"}},   // whatever the recurrence or time mode
            {0, {L"Alpha", L"Middle", L"zeta"}},
        };
        for (const auto& row : table) {
            DialogDriver::chooseComboItem(dialog, IDC_LIST_FILTER, row.filter);
            EXPECT_EQ(row.names, listNames(dialog)) << row.filter;
            EXPECT_EQ(AllEnabled, selectionButtons(dialog)) << row.filter;
        }
        DialogDriver::closeWindow(dialog);
    });
    runList();

    // A trigger without commands: an empty list and the three buttons off;
    // "New" stays on.
    CommandFile().deleteCommand(L"Boot");
    onList([](HWND dialog) {
        DialogDriver::chooseComboItem(dialog, IDC_LIST_FILTER, 2);
        EXPECT_TRUE(listNames(dialog).empty());
        EXPECT_EQ(NoneEnabled, selectionButtons(dialog));
        EXPECT_TRUE(DialogDriver::isEnabled(dialog, IDC_LIST_NEW));
        DialogDriver::chooseComboItem(dialog, IDC_LIST_FILTER, 1);
        EXPECT_EQ(AllEnabled, selectionButtons(dialog));
        DialogDriver::postCommand(dialog, IDOK);   // the caption's OK
    });
    runList();
}

TEST_F(CommandList, OpenedWithoutPowerOnCommandsItsButtonsAreOnAndDoNothing)
{
    ui::Probe probe;
    ui::store({probe.launch(L"Boot", TriggerKind::AfterReset)});
    onList([](HWND dialog) {
        EXPECT_TRUE(listNames(dialog).empty());
        EXPECT_EQ(AllEnabled, selectionButtons(dialog));
        SendMessageW(dialog, WM_COMMAND, IDC_LIST_RUN, 0);
        SendMessageW(dialog, WM_COMMAND, IDC_LIST_DELETE, 0);
        SendMessageW(dialog, WM_COMMAND, IDC_LIST_EDIT, 0);   // no wizard opens
        DialogDriver::closeWindow(dialog);
    });
    runList();
    EXPECT_EQ(Names{L"Boot"}, ui::storedNames());
    EXPECT_EQ(0u, ui::setting(L"ExeCmds"));
}

TEST_F(CommandList, RunExecutesTheSelectedCommandAndDeleteRemovesItWithoutAQuestion)
{
    ui::Probe probe;
    // Two timed commands: the registration follows the earlier one.
    ui::store({probe.launch(L"Boot", TriggerKind::AfterReset), ui::dailyAt(probe.launch(L"Late"), 23, 0),
               ui::dailyAt(probe.launch(L"Early"), 22, 0)});
    SYSTEMTIME morning = test::moment(2024, 3, 5, 9, 0);
    ce::SetLocalTime(&morning);
    Scheduler().ScheduleNextRun();
    auto registeredHour = [] {
        auto timed = notification_db::timedRegistrations();
        return timed.size() == 1 ? static_cast<int>(timed[0].when.wHour) : -1;
    };
    ASSERT_EQ(22, registeredHour());

    onList([&](HWND dialog) {
        DialogDriver::chooseComboItem(dialog, IDC_LIST_FILTER, 3);
        ASSERT_EQ((Names{L"Early", L"Late"}), listNames(dialog));
        DialogDriver::chooseListItem(dialog, IDC_LIST_NAMES, 1);
        DialogDriver::click(dialog, IDC_LIST_RUN);   // at once, whatever its schedule
        EXPECT_EQ(1u, ui::setting(L"ExeCmds"));
        EXPECT_EQ((Names{L"Early", L"Late"}), listNames(dialog));
        EXPECT_EQ(1, DialogDriver::selectedListItem(dialog, IDC_LIST_NAMES));

        DialogDriver::chooseListItem(dialog, IDC_LIST_NAMES, 0);
        DialogDriver::click(dialog, IDC_LIST_DELETE);
        EXPECT_EQ(Names{L"Late"}, listNames(dialog));
        EXPECT_EQ(23, registeredHour());   // scheduled again at once
        SetFocus(GetDlgItem(dialog, IDC_LIST_DELETE));   // pressed from the keys
        DialogDriver::click(dialog, IDC_LIST_DELETE);
        EXPECT_TRUE(listNames(dialog).empty());
        EXPECT_EQ(NoneEnabled, selectionButtons(dialog));
        // The focus leaves the disabled button for the nearest one before it.
        EXPECT_EQ(GetDlgItem(dialog, IDC_LIST_NEW), GetFocus());
        DialogDriver::closeWindow(dialog);
    });
    runList();
    EXPECT_TRUE(driver_.messageBoxes().empty());
    ASSERT_TRUE(probe.waitForStarts(1));
    EXPECT_EQ(Names{L"Late"}, probe.starts());
    EXPECT_EQ(Names{L"Boot"}, ui::storedNames());
    EXPECT_TRUE(notification_db::timedRegistrations().empty());
}

TEST_F(CommandList, EditRunsTheWizardOnTheStoredCommandAndTheListFollows)
{
    ui::store({ui::closeAllCommand(L"Tidy", TriggerKind::AfterPowerOn),
               ui::closeAllCommand(L"Other", TriggerKind::AfterPowerOn)});
    onList([](HWND dialog) {
        ASSERT_EQ((Names{L"Other", L"Tidy"}), listNames(dialog));
        DialogDriver::chooseListItem(dialog, IDC_LIST_NAMES, 1);
        DialogDriver::pressButton(dialog, IDC_LIST_EDIT);
    });
    // The wizard opens on the stored command: its action and trigger ticked,
    // its name filled in.
    driver_
        .onPage(L"Step 1",
                [](HWND page) {
                    EXPECT_TRUE(DialogDriver::isChecked(page, IDC_ACTION_CLOSE_ALL));
                    DialogDriver::pressButton(page, IDC_WIZARD_NEXT);
                })
        .onPage(L"Step 2",
                [](HWND page) {
                    EXPECT_TRUE(DialogDriver::isChecked(page, IDC_TRIGGER_AFTER_POWER_ON));
                    DialogDriver::click(page, IDC_TRIGGER_FIRST_OF_DAY);
                    DialogDriver::pressButton(page, IDC_WIZARD_NEXT);
                })
        .onPage(L"Step 3",
                [](HWND page) {
                    EXPECT_EQ(L"Tidy", DialogDriver::controlText(page, IDC_NAME_EDIT));
                    DialogDriver::setText(page, IDC_NAME_EDIT, L"Tidy daily");
                    DialogDriver::pressButton(page, IDC_WIZARD_NEXT);
                })
        .onDialogWhere(L"the finished page", [](HWND page) { return GetDlgItem(page, IDC_WIZARD_FINISH) != nullptr; },
                       [](HWND page) { DialogDriver::pressButton(page, IDC_WIZARD_FINISH); });
    // The list stays enabled under the wizard's pages (they have no owner):
    // wait until it is the only dialog up again.
    driver_.onDialogWhere(L"the command list after the wizard", onlyDialogUp, [](HWND dialog) {
        // Refilled: no longer a power-on command; now under "Once a day".
        EXPECT_EQ(Names{L"Other"}, listNames(dialog));
        DialogDriver::chooseComboItem(dialog, IDC_LIST_FILTER, 1);
        EXPECT_EQ(Names{L"Tidy daily"}, listNames(dialog));
        DialogDriver::closeWindow(dialog);
    });
    runList();
    EXPECT_EQ((Names{L"Other", L"Tidy daily"}), ui::storedNames());
    Command edited;
    ASSERT_TRUE(CommandFile().findCommand(L"Tidy daily", edited));
    EXPECT_EQ(TriggerKind::FirstPowerOnOfDay, edited.triggerKind);
    EXPECT_EQ(ActionKind::CloseAllPrograms, edited.actionKind);
}

// An edit or a delete that cannot be stored says so and leaves the list and
// its selection as they were; the wizard stays on its summary until it is
// cancelled.
TEST_F(CommandList, AnEditOrDeleteThatCannotBeStoredLeavesTheListAndItsSelection)
{
    ui::store({ui::closeAllCommand(L"Tidy", TriggerKind::AfterPowerOn),
               ui::closeAllCommand(L"Other", TriggerKind::AfterPowerOn)});
    // A folder where the new file must go: no change can be stored.
    const std::wstring temporary = std::wstring(CommandFile().dataFolderPath()) + L"\\_cmd_.tmp";
    ASSERT_TRUE(CreateDirectoryW(temporary.c_str(), nullptr));
    auto unchanged = [](HWND dialog) {
        EXPECT_EQ((Names{L"Other", L"Tidy"}), listNames(dialog));
        EXPECT_EQ(1, DialogDriver::selectedListItem(dialog, IDC_LIST_NAMES));
    };
    onList([](HWND dialog) {
        DialogDriver::chooseListItem(dialog, IDC_LIST_NAMES, 1);
        DialogDriver::pressButton(dialog, IDC_LIST_DELETE);
    });
    driver_.answerMessageBox(IDOK);
    driver_.onDialogWhere(L"the command list after the delete", onlyDialogUp, [&](HWND dialog) {
        unchanged(dialog);
        DialogDriver::pressButton(dialog, IDC_LIST_EDIT);
    });
    driver_.onPage(L"Step 1", [](HWND page) { DialogDriver::pressButton(page, IDC_WIZARD_NEXT); })
        .onPage(L"Step 2", [](HWND page) { DialogDriver::pressButton(page, IDC_WIZARD_NEXT); })
        .onPage(L"Step 3",
                [](HWND page) {
                    DialogDriver::setText(page, IDC_NAME_EDIT, L"Renamed");
                    DialogDriver::pressButton(page, IDC_WIZARD_NEXT);
                })
        .onPage(L"Step 4", [](HWND page) { DialogDriver::pressButton(page, IDC_WIZARD_FINISH); })
        .answerMessageBox(IDOK)
        .onPage(L"Step 4", [](HWND page) { DialogDriver::pressButton(page, IDCANCEL); });
    driver_.onDialogWhere(L"the command list after the wizard", onlyDialogUp, [&](HWND dialog) {
        unchanged(dialog);
        DialogDriver::closeWindow(dialog);
    });
    runList();
    RemoveDirectoryW(temporary.c_str());
    ASSERT_EQ(2u, driver_.messageBoxes().size());
    for (const auto& box : driver_.messageBoxes()) EXPECT_EQ(L"Unable to create temp file.", box.text);
    EXPECT_EQ((Names{L"Tidy", L"Other"}), ui::storedNames());
}

// ---- Options and Statistics ---------------------------------------------------

class OptionsAndStatistics : public ui::AppWindowTest {
protected:
    DialogDriver driver_;
};

TEST_F(OptionsAndStatistics, OptionsBoxesAreSavedOnOkAndOnCancel)
{
    const struct {
        DWORD tray, showMain, commands;
        int closeWith;
    } table[] = {
        {1, 0, 1, IDOK}, {0, 1, 0, IDCANCEL}, {1, 1, 1, IDCANCEL}, {0, 0, 0, IDOK},
    };
    // A fresh key: nothing ticked.
    driver_.onDialog(L"Morvane", [](HWND main) { DialogDriver::pressButton(main, IDC_MAIN_OPTIONS); })
        .onDialog(L"Morvane Options", [](HWND options) {
            for (int id : {IDC_OPTIONS_TRAY_ICON, IDC_OPTIONS_SHOW_MAIN, IDC_OPTIONS_ENABLE_COMMANDS})
                EXPECT_FALSE(DialogDriver::isChecked(options, id)) << id;
            DialogDriver::postCommand(options, IDOK);
        });
    for (const auto& row : table) {
        driver_.onDialog(L"Morvane", [](HWND main) { DialogDriver::pressButton(main, IDC_MAIN_OPTIONS); })
            .onDialog(L"Morvane Options", [&row](HWND options) {
                auto set = [options](int id, DWORD value) {
                    if (DialogDriver::isChecked(options, id) != (value != 0)) DialogDriver::click(options, id);
                };
                set(IDC_OPTIONS_TRAY_ICON, row.tray);
                set(IDC_OPTIONS_SHOW_MAIN, row.showMain);
                set(IDC_OPTIONS_ENABLE_COMMANDS, row.commands);
                DialogDriver::postCommand(options, row.closeWith);
            })
            .onDialog(L"Morvane", [&row](HWND main) {
                EXPECT_EQ(row.tray, ui::setting(L"EnableTrayIcon"));
                EXPECT_EQ(row.showMain, ui::setting(L"ShowMainWin"));
                EXPECT_EQ(row.showMain, ui::setting(L"ShowStatus"));
                EXPECT_EQ(row.commands, ui::setting(L"EnableCommands"));
                // The main dialog's icon follows the box at once.
                EXPECT_EQ(row.tray != 0, ui::trayIconShown(appWindow));
                DialogDriver::pressButton(main, IDC_MAIN_OPTIONS);
            })
            .onDialog(L"Morvane Options", [&row](HWND options) {
                // Reopened, the boxes show what was stored.
                EXPECT_EQ(row.tray != 0, DialogDriver::isChecked(options, IDC_OPTIONS_TRAY_ICON));
                EXPECT_EQ(row.showMain != 0, DialogDriver::isChecked(options, IDC_OPTIONS_SHOW_MAIN));
                EXPECT_EQ(row.commands != 0, DialogDriver::isChecked(options, IDC_OPTIONS_ENABLE_COMMANDS));
                DialogDriver::closeWindow(options);
            });
    }
    driver_.onDialog(L"Morvane", [](HWND main) { DialogDriver::closeWindow(main); });
    SendMessageW(appWindow, OpenMainDialogMessage, 0, 0);
    EXPECT_TRUE(driver_.finished());
    EXPECT_EQ(0, dialogOpen);
}

TEST_F(OptionsAndStatistics, MainDialogOptionsSwitchTheIconOnlyWhenTheSettingChanged)
{
    // The icon taken away behind the program's back stays away while the
    // setting is unchanged: only a change adds or removes it.
    ui::setSetting(L"EnableTrayIcon", 1);
    driver_.onDialog(L"Morvane", [](HWND main) { DialogDriver::pressButton(main, IDC_MAIN_OPTIONS); })
        .onDialog(L"Morvane Options", [](HWND options) { DialogDriver::closeWindow(options); })
        .onDialog(L"Morvane", [](HWND main) {
            EXPECT_FALSE(ui::trayIconShown(appWindow));
            DialogDriver::closeWindow(main);
        });
    SendMessageW(appWindow, OpenMainDialogMessage, 0, 0);
    EXPECT_TRUE(driver_.finished());
}

TEST_F(OptionsAndStatistics, StatisticsLinesShowTheirCountersAndClearSetsAllToZero)
{
    const struct {
        int id;
        const wchar_t* counter;
        DWORD value;
        const wchar_t* shown;
    } table[] = {
        {IDC_STATS_STARTS, L"Starts", 3, L"3: Times device was powered on"},
        {IDC_STATS_EXE, L"ExeCmds", 2147483647u, L"2147483647: Times a program was launched"},
        // Unsigned 32-bit counters: never negative.
        {IDC_STATS_DEL_DIR, L"DelDirCmds", 2147483648u, L"2147483648: Times a directory was cleaned"},
        {IDC_STATS_MSG_BOX, L"MsgBoxCmds", 4294967295u, L"4294967295: Times a message was displayed"},
        {IDC_STATS_SOUND, L"SoundCmds", 0, L"0: Times a sound was played"},
        {IDC_STATS_CLOSE, L"CloseCmds", 12, L"12: Times applications were closed"},
        {IDC_STATS_TIDEWELL, L"TidewellCmds", 5, L"5: Times Tidewell ran"},
    };
    for (const auto& row : table)
        if (row.value) ui::setSetting(row.counter, row.value);
    driver_.onDialog(L"Morvane", [](HWND main) { DialogDriver::pressButton(main, IDC_MAIN_STATISTICS); })
        .onDialogWhere(L"the statistics", [](HWND d) { return GetDlgItem(d, IDC_STATS_CLEAR) != nullptr; },
                       [&](HWND stats) {
                           EXPECT_EQ(1, dialogOpen);
                           EXPECT_EQ(L"Morvane", DialogDriver::controlText(stats, IDC_STATS_TITLE));
                           for (const auto& row : table) {
                               EXPECT_EQ(row.shown, DialogDriver::controlText(stats, row.id));
                               EXPECT_EQ(row.id != IDC_STATS_TIDEWELL, DialogDriver::isVisible(stats, row.id));
                           }
                           EXPECT_TRUE(DialogDriver::isVisible(stats, IDC_STATS_CLEAR));
                           DialogDriver::click(stats, IDC_STATS_CLEAR);   // no question
                           for (const auto& row : table) {
                               EXPECT_EQ(0u, ui::setting(row.counter)) << row.id;
                               std::wstring zero = row.shown;
                               zero = L"0" + zero.substr(zero.find(L':'));
                               EXPECT_EQ(zero, DialogDriver::controlText(stats, row.id));
                           }
                           DialogDriver::closeWindow(stats);
                       })
        .onDialog(L"Morvane", [](HWND main) {
            EXPECT_EQ(1, dialogOpen);   // the main dialog is still up
            DialogDriver::closeWindow(main);
        });
    SendMessageW(appWindow, OpenMainDialogMessage, 0, 0);
    EXPECT_TRUE(driver_.finished());
    EXPECT_TRUE(driver_.messageBoxes().empty());
    EXPECT_EQ(0, dialogOpen);
}

} // namespace
