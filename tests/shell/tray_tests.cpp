// The hidden main window and its tray: the tap on the icon, the menu a user
// chooses from, the "Run Command" submenu, the dialogs it opens, and ending
// the resident instance, in this thread and as real processes.
#include "commands/command_file.h"
#include "platform/notification_db.h"
#include "resources/resource.h"
#include "schedule/scheduler.h"
#include "shell/app_state.h"
#include "shell/main_window.h"
#include "tests/shell/ui_support.h"
#include "tests/support/dialog_driver.h"

#include <set>

namespace {

using Names = std::vector<std::wstring>;
using test::DialogDriver;

constexpr wchar_t ShutdownQuestion[] = L"No commands will run if you shutdown.  Do you want to continue?";

class Tray : public ui::AppWindowTest {};

TEST_F(Tray, TapOpensTheMenuAtTheBottomRightAndRunCommandRunsTheChosenCommand)
{
    ui::Probe probe;
    ui::store({probe.launch(L"Zulu", TriggerKind::AfterReset), probe.launch(L"alpha"),
               ui::dailyAt(probe.launch(L"Mike"), 22, 0)});
    addTrayIcon();
    ASSERT_TRUE(ui::trayIconShown(appWindow));

    ui::MenuChooser menu;
    menu.choose({L"Run Command", L"alpha"});
    tap();
    ASSERT_EQ(1, menu.menusShown);
    EXPECT_EQ((Names{L"Run Command", L"New Command", L"", L"Open", L"Options", L"", L"About", L"Exit"}),
              menu.topItems);
    // Every stored command, whatever its trigger, in file order.
    EXPECT_EQ((Names{L"Zulu", L"alpha", L"Mike"}), menu.runItems);
    EXPECT_EQ((std::vector<UINT>{80000, 80001, 80002}), menu.runIds);

    // Anchored at the bottom right corner, 52 pixels above the bottom edge:
    // the menu ends at the right edge and the platform keeps it on the
    // screen, so the anchor lies on its height.
    HDC screen = GetDC(nullptr);
    const LONG width = GetDeviceCaps(screen, HORZRES), height = GetDeviceCaps(screen, VERTRES);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(width, menu.lastRect.right);
    EXPECT_LE(menu.lastRect.top, height - 52);
    EXPECT_GE(menu.lastRect.bottom, height - 52);

    // Run at once, whatever its trigger, and counted.
    ASSERT_TRUE(probe.waitForStarts(1));
    EXPECT_EQ(Names{L"alpha"}, probe.starts());
    EXPECT_EQ(1u, ui::setting(L"ExeCmds"));
}

TEST_F(Tray, RunCommandRunsTheChosenNameWhenTheFileChangedUnderTheMenu)
{
    ui::Probe probe;
    ui::store({probe.launch(L"One"), probe.launch(L"Two"), probe.launch(L"Three")});
    ui::MenuChooser menu;

    // An event instance removed "One" while the menu was up: position 1 now
    // holds "Three", but the user chose "Two".
    menu.choose({L"Run Command", L"Two"}, [] { CommandFile().deleteCommand(L"One"); });
    tap();
    ASSERT_TRUE(probe.waitForStarts(1));
    EXPECT_EQ(Names{L"Two"}, probe.starts());

    // The chosen command is gone altogether: nothing runs.
    menu.choose({L"Run Command", L"Two"}, [] { CommandFile().deleteCommand(L"Two"); });
    tap();
    EXPECT_EQ(1u, ui::setting(L"ExeCmds"));

    // Unchanged file, same name twice: the position chosen runs.
    CommandFile().deleteCommand(L"Three");
    ui::store({probe.launch(L"Twin"), probe.launch(L"Twin")});
    menu.choose({L"Run Command", L"Twin"});
    tap();
    EXPECT_EQ(2u, ui::setting(L"ExeCmds"));
    EXPECT_EQ(3, menu.menusShown);
    EXPECT_TRUE(menu.runItems == (Names{L"Twin", L"Twin"}));
}

TEST_F(Tray, EmptyFileGivesAnEmptyRunCommandSubmenu)
{
    ui::MenuChooser menu;
    menu.choose({});
    tap();
    ASSERT_EQ(1, menu.menusShown);
    EXPECT_TRUE(menu.runItems.empty());
    EXPECT_EQ(0u, ui::setting(L"ExeCmds"));
}

TEST_F(Tray, NoMenuWhileAnyDialogIsUpAndTheTapBringsItForward)
{
    ui::MenuChooser menu;
    DialogDriver driver;
    // "Open" from the tray: the main dialog; its Options dialog; a tap there
    // shows nothing; closed again, the main dialog is still up, and a tap
    // over it shows nothing either but makes it the active window.
    menu.choose({L"Open"});
    driver.onDialog(L"Morvane", [](HWND main) { DialogDriver::pressButton(main, IDC_MAIN_OPTIONS); })
        .onDialog(L"Morvane Options",
                  [&](HWND options) {
                      tap();
                      EXPECT_EQ(1, menu.menusShown);
                      EXPECT_EQ(options, GetForegroundWindow());
                      DialogDriver::closeWindow(options);
                  })
        .onDialog(L"Morvane",
                  [&](HWND main) {
                      EXPECT_EQ(1, dialogOpen);
                      SetForegroundWindow(appWindow);
                      tap();
                      EXPECT_EQ(1, menu.menusShown);
                      EXPECT_EQ(main, GetForegroundWindow());
                      DialogDriver::closeWindow(main);
                  });
    tap();
    EXPECT_TRUE(driver.finished());
    EXPECT_EQ(0, menu.unexpectedMenus);
    EXPECT_EQ(0, dialogOpen);

    // "About" from the tray, and from Ctrl+A: no menu over it either.
    for (bool fromTray : {true, false}) {
        driver.onDialog(L"About Morvane", [&](HWND about) {
            EXPECT_EQ(L"Morvane", DialogDriver::controlText(about, IDC_ABOUT_NAME));
            EXPECT_EQ(L"Version 1.0", DialogDriver::controlText(about, IDC_ABOUT_VERSION));
            EXPECT_EQ(L"Quillon Software", DialogDriver::controlText(about, IDC_ABOUT_COMPANY));
            EXPECT_EQ(appWindow, GetWindow(about, GW_OWNER));
            EXPECT_EQ(1, dialogOpen);
            tap();
            DialogDriver::postCommand(about, IDOK);   // the caption's OK
        });
        if (fromTray) {
            menu.choose({L"About"});
            tap();
        } else {
            SendMessageW(appWindow, WM_COMMAND, IDM_ABOUT, 0);
        }
        EXPECT_TRUE(driver.finished());
    }
    EXPECT_EQ(2, menu.menusShown);
    EXPECT_EQ(0, menu.unexpectedMenus);
    // Closed, a tap shows the menu again.
    menu.choose({});
    tap();
    EXPECT_EQ(3, menu.menusShown);
}

TEST_F(Tray, OptionsFromTheTrayAddOrRemoveTheIconAfterClosing)
{
    ui::MenuChooser menu;
    DialogDriver driver;
    for (bool tick : {true, false, true}) {
        menu.choose({L"Options"});
        driver.onDialog(L"Morvane Options", [tick](HWND options) {
            if (DialogDriver::isChecked(options, IDC_OPTIONS_TRAY_ICON) != tick)
                DialogDriver::click(options, IDC_OPTIONS_TRAY_ICON);
            DialogDriver::closeWindow(options);
        });
        tap();
        EXPECT_TRUE(driver.finished());
        EXPECT_EQ(tick ? 1u : 0u, ui::setting(L"EnableTrayIcon"));
        EXPECT_EQ(tick, ui::trayIconShown(appWindow));
    }
}

// The icon is one handle for the process however often it is switched on and
// off: every handle the tray was given is still alive, so they must all be
// one. The platform's object counts, where it keeps them, must not grow.
TEST_F(Tray, SwitchingTheIconOnAndOffLeaksNoHandle)
{
    auto iconAlive = [](HICON icon) {
        ICONINFO info{};
        if (!GetIconInfo(icon, &info)) return false;
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        return true;
    };
    std::set<HICON> given;
    addTrayIcon();
    removeTrayIcon();
    const DWORD gdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    const DWORD userBefore = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    for (int i = 0; i < 300; ++i) {
        addTrayIcon();
        given.insert(trayIconData.hIcon);
        EXPECT_TRUE(ui::trayIconShown(appWindow));
        removeTrayIcon();
    }
    EXPECT_EQ(gdiBefore, GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
    EXPECT_EQ(userBefore, GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
    size_t alive = 0;
    for (HICON icon : given) alive += iconAlive(icon) ? 1 : 0;
    EXPECT_EQ(1u, alive);
    EXPECT_FALSE(ui::trayIconShown(appWindow));

    // The record the tray was given, as the handheld lays it out.
    EXPECT_EQ(152u, trayIconData.cbSize);
    EXPECT_EQ(appWindow, trayIconData.hWnd);
    EXPECT_EQ(TrayIconId, trayIconData.uID);
    EXPECT_EQ(static_cast<UINT>(NIF_MESSAGE | NIF_ICON), trayIconData.uFlags);
    EXPECT_EQ(TrayCallbackMessage, trayIconData.uCallbackMessage);
}

TEST_F(Tray, ExitAnsweredNoChangesNothingAndYesEndsEverything)
{
    ui::store({ui::dailyAt(ui::cleanupCommand(L"Nightly", TriggerKind::OnSchedule), 22, 0)});
    Scheduler scheduler;
    scheduler.RegisterWakeupEvent();
    scheduler.ScheduleNextRun();
    addTrayIcon();
    ASSERT_TRUE(ui::wakeupRegistered());
    ASSERT_EQ(1u, notification_db::timedRegistrations().size());

    ui::MenuChooser menu;
    DialogDriver driver;
    menu.choose({L"Exit"});
    driver.answerMessageBox(IDNO);
    tap();
    ASSERT_EQ(1u, driver.messageBoxes().size());
    const test::MessageBoxRecord& box = driver.messageBoxes()[0];
    EXPECT_EQ(L"Morvane", box.caption);
    EXPECT_EQ(ShutdownQuestion, box.text);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONQUESTION), box.style);
    EXPECT_EQ(appWindow, box.owner);
    EXPECT_TRUE(ui::trayIconShown(appWindow));
    EXPECT_TRUE(ui::wakeupRegistered());
    EXPECT_EQ(1u, notification_db::timedRegistrations().size());
    EXPECT_TRUE(IsWindow(appWindow));

    menu.choose({L"Exit"});
    driver.answerMessageBox(IDYES);
    tap();
    EXPECT_TRUE(driver.finished());
    EXPECT_FALSE(ui::trayIconShown(appWindow));
    EXPECT_FALSE(ui::wakeupRegistered());
    EXPECT_TRUE(notification_db::timedRegistrations().empty());
    EXPECT_TRUE(pumpUntilClosed());
}

TEST_F(Tray, ShutdownFromTheMainDialogAsksFirst)
{
    Scheduler scheduler;
    scheduler.RegisterWakeupEvent();
    addTrayIcon();
    DialogDriver driver;
    for (int answer : {IDNO, IDYES}) {
        driver.onDialog(L"Morvane", [](HWND main) { DialogDriver::pressButton(main, IDC_MAIN_SHUTDOWN); })
            .answerMessageBox(answer);
        if (answer == IDNO) driver.onDialog(L"Morvane", [](HWND main) { DialogDriver::closeWindow(main); });
        SendMessageW(appWindow, OpenMainDialogMessage, 0, 0);
        EXPECT_TRUE(driver.finished());
        EXPECT_EQ(answer == IDNO, ui::trayIconShown(appWindow));
        EXPECT_EQ(answer == IDNO, ui::wakeupRegistered());
    }
    EXPECT_EQ(ShutdownQuestion, driver.messageBoxes().at(1).text);
    EXPECT_NE(appWindow, driver.messageBoxes().at(1).owner);   // the main dialog owns it
    EXPECT_TRUE(pumpUntilClosed());
}

// ---- Real processes: the resident instance ended from its tray ---------------

constexpr wchar_t Shortcut[] = L"C:\\windows\\StartUp\\Morvane.lnk";

HWND residentWindow() { return FindWindowW(L"ZELMORVANE", L"Morvane"); }

HWND messageBoxOf(DWORD processId)
{
    struct Search {
        DWORD process;
        HWND found;
    } search{processId, nullptr};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* s = reinterpret_cast<Search*>(parameter);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->process && IsWindowVisible(window) && DialogDriver::isMessageBox(window))
                s->found = window;
            return s->found ? FALSE : TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

class ResidentTray : public testing::Test {
protected:
    void SetUp() override
    {
        test::deleteMachineKey(ui::SettingsKey);
        test::deleteMachineKey(notification_db::RegistrationsKey);
        CreateDirectoryW(L"C:\\windows\\StartUp", nullptr);
        DeleteFileW(Shortcut);
        ASSERT_TRUE(CopyFileW(test::morvaneExe().c_str(), folder_.file(L"morvane.exe").c_str(), FALSE));
        ui::setSetting(L"EnableTrayIcon", 1);
    }
    void TearDown() override
    {
        if (process_) {
            if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
                if (HWND window = residentWindow()) PostMessageW(window, WM_COMMAND, IDOK, 0);
                if (WaitForSingleObject(process_, 10000) != WAIT_OBJECT_0) TerminateProcess(process_, 1);
            }
            CloseHandle(process_);
        }
        test::deleteMachineKey(ui::SettingsKey);
        test::deleteMachineKey(notification_db::RegistrationsKey);
        DeleteFileW(Shortcut);
    }

    void start()
    {
        process_ = test::startProgram(folder_.file(L"morvane.exe"), L"");
        ASSERT_NE(nullptr, process_);
        ASSERT_TRUE(test::waitUntil([] {
            return residentWindow() && ui::wakeupRegistered() && test::fileExists(Shortcut) &&
                   ui::trayIconShown(residentWindow());
        }));
    }

    // A tap on the icon, then "Exit" (the sixth item), then the answer.
    std::wstring exitAnswering(int answer)
    {
        const DWORD id = GetProcessId(process_);
        PostMessageW(residentWindow(), TrayCallbackMessage, TrayIconId, WM_LBUTTONUP);
        HWND popup = nullptr;
        EXPECT_TRUE(test::waitUntil([&] { return (popup = ui::openPopupMenu(id)) != nullptr; }));
        if (!popup) return L"";
        ui::chooseByIndex(popup, 5);
        HWND box = nullptr;
        EXPECT_TRUE(test::waitUntil([&] { return (box = messageBoxOf(id)) != nullptr; }));
        if (!box) return L"";
        std::wstring text = DialogDriver::controlText(box, 0xFFFF);
        PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(answer), 0);
        return text;
    }

    test::ScratchFolder folder_{L"residenttray"};
    HANDLE process_ = nullptr;
};

TEST_F(ResidentTray, ExitNoKeepsItRunningYesEndsItWithEveryRegistrationRemoved)
{
    start();
    HWND window = residentWindow();
    EXPECT_EQ(ShutdownQuestion, exitAnswering(IDNO));
    ASSERT_TRUE(test::waitUntil([&] { return messageBoxOf(GetProcessId(process_)) == nullptr; }));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(process_, 0));
    EXPECT_TRUE(ui::trayIconShown(window));
    EXPECT_TRUE(ui::wakeupRegistered());
    EXPECT_TRUE(test::fileExists(Shortcut));

    EXPECT_EQ(ShutdownQuestion, exitAnswering(IDYES));
    test::ProcessResult end = test::waitProgram(process_, 20000);
    process_ = nullptr;   // waitProgram closed it
    ASSERT_TRUE(end.finished);
    EXPECT_EQ(0u, end.exitCode);
    EXPECT_FALSE(ui::trayIconShown(window));
    EXPECT_FALSE(ui::wakeupRegistered());
    EXPECT_FALSE(test::fileExists(Shortcut));
    EXPECT_TRUE(notification_db::timedRegistrations().empty());
}

TEST_F(ResidentTray, CtrlQEndsItWithoutAQuestionAndRemovesTheRegistrations)
{
    start();
    PostMessageW(residentWindow(), WM_COMMAND, IDOK, 0);   // what the accelerator sends
    test::ProcessResult end = test::waitProgram(process_, 20000);
    process_ = nullptr;
    ASSERT_TRUE(end.finished);
    EXPECT_EQ(0u, end.exitCode);
    EXPECT_FALSE(ui::wakeupRegistered());
    EXPECT_FALSE(test::fileExists(Shortcut));
}

} // namespace
