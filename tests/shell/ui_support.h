// Shared by the user-interface tests: the hidden main window made in the test
// thread from the real window procedure, a chooser that acts on the tray's
// popup menu as a user's keys do, and commands that start probe.exe.
#ifndef MORVANE_TESTS_SHELL_UI_SUPPORT_H
#define MORVANE_TESTS_SHELL_UI_SUPPORT_H

#include "commands/command.h"
#include "tests/support/test_support.h"

#include <windows.h>
#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <vector>

namespace ui {

constexpr wchar_t SettingsKey[] = L"Software\\Quillon Software\\Morvane";
constexpr wchar_t Launcher[] = L"\\windows\\mvlaunch.exe";

DWORD setting(const wchar_t* name);
void setSetting(const wchar_t* name, DWORD value);

// Whether the tray holds the icon of this window: a modify with nothing to
// change succeeds only for an icon that exists.
bool trayIconShown(HWND window);

bool wakeupRegistered();

// The stored names, in file order.
std::vector<std::wstring> storedNames();
void store(const std::vector<Command>& commands);

Command closeAllCommand(const wchar_t* name, TriggerKind trigger);
Command cleanupCommand(const wchar_t* name, TriggerKind trigger);
Command dailyAt(Command command, WORD hour, WORD minute);

// A probe.exe of its own; commands made by launch() start it with their name
// as the argument, and starts() lists the names it was started with.
class Probe {
public:
    Probe();
    Command launch(const wchar_t* name, TriggerKind trigger = TriggerKind::AfterPowerOn) const;
    std::vector<std::wstring> starts() const;
    bool waitForStarts(size_t count) const;

private:
    test::ScratchFolder folder_{L"uiprobe"};
    std::wstring exe_;
};

// Acts on the next popup menu of this thread from a thread timer, which runs
// inside the menu's own loop: posts the arrow and Enter keys that choose the
// item path (texts, top level first), or Escape for an empty path. What the
// menu showed is recorded. A popup that no request waits for is recorded and
// dismissed, so a menu that should not have opened cannot hang a test.
class MenuChooser {
public:
    MenuChooser();
    ~MenuChooser();
    MenuChooser(const MenuChooser&) = delete;
    MenuChooser& operator=(const MenuChooser&) = delete;

    // before runs once the menu is up and before the keys are posted.
    void choose(std::vector<std::wstring> path, std::function<void()> before = {});

    int menusShown = 0;
    int unexpectedMenus = 0;
    RECT lastRect{};
    std::vector<std::wstring> topItems;      // texts, separators as ""
    std::vector<std::wstring> runItems;      // "Run Command" items
    std::vector<UINT> runIds;

private:
    struct Request {
        std::vector<std::wstring> path;
        std::function<void()> before;
    };
    static void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD);
    void tick();
    void act(HWND popup);

    std::vector<Request> requests_;
    HWND handled_ = nullptr;
    DWORD actedAt_ = 0;
    UINT_PTR timer_ = 0;
};

// The popup menu window of a process, when one is up.
HWND openPopupMenu(DWORD processId);
// Posts to a popup menu the keys that choose the selectable item at index
// (0 = first, separators not counted) of its top level.
void chooseByIndex(HWND popup, int selectableIndex);

// The hidden main window in this thread, with the real window procedure; the
// settings, registrations and command file start empty.
class AppWindowTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A tap on the tray icon, as the shell reports it.
    static void tap();
    // Dispatches this thread's messages until the window is gone; true when
    // it went and the message loop was told to end.
    static bool pumpUntilClosed();

    std::wstring commandFile_;
};

} // namespace ui

#endif
