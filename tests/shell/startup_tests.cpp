// Start-up of morvane.exe, run as real processes: the dispatch on the event
// argument, the exit codes, the single resident instance and its hidden
// window, and the registrations a resident start makes and removes.
#include "platform/notification_db.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/main_window.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>
#include <vector>

namespace {

constexpr wchar_t SettingsKey[] = L"Software\\Quillon Software\\Morvane";
constexpr wchar_t Shortcut[] = L"C:\\windows\\StartUp\\Morvane.lnk";
constexpr wchar_t Launcher[] = L"\\windows\\mvlaunch.exe";

HWND findAppWindow() { return FindWindowW(L"ZELMORVANE", L"Morvane"); }

struct WindowSearch {
    DWORD processId;
    HWND found;
};

// The main dialog: a visible "Morvane" dialog of the given process.
HWND findMainDialog(DWORD processId)
{
    WindowSearch search{processId, nullptr};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* s = reinterpret_cast<WindowSearch*>(parameter);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            wchar_t className[32] = L"", title[64] = L"";
            GetClassNameW(window, className, 32);
            GetWindowTextW(window, title, 64);
            if (owner == s->processId && IsWindowVisible(window) &&
                wcscmp(className, L"#32770") == 0 && wcscmp(title, L"Morvane") == 0) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Whether the process has loaded the library of that file name.
bool hasModule(DWORD processId, const wchar_t* name)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    MODULEENTRY32W entry{};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Module32FirstW(snapshot, &entry); more && !found; more = Module32NextW(snapshot, &entry))
        found = _wcsicmp(entry.szModule, name) == 0;
    CloseHandle(snapshot);
    return found;
}

bool wakeupRegistered()
{
    for (const auto& r : notification_db::eventRegistrations())
        if (_wcsicmp(r.program.c_str(), Launcher) == 0 && r.event == 11) return true;
    return false;
}

class Startup : public testing::Test {
protected:
    void SetUp() override
    {
        test::deleteMachineKey(SettingsKey);
        test::deleteMachineKey(notification_db::RegistrationsKey);
        CreateDirectoryW(L"C:\\windows\\StartUp", nullptr);
        DeleteFileW(Shortcut);
        // A copy of the program of its own, so its "Data" folder is private.
        ASSERT_TRUE(CopyFileW(test::morvaneExe().c_str(), program().c_str(), FALSE));
    }

    void TearDown() override
    {
        for (HANDLE process : residents_) {
            if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
                if (HWND window = findAppWindow()) PostMessageW(window, WM_COMMAND, IDOK, 0);
                if (WaitForSingleObject(process, 10000) != WAIT_OBJECT_0) TerminateProcess(process, 1);
            }
            CloseHandle(process);
        }
        test::deleteMachineKey(SettingsKey);
        test::deleteMachineKey(notification_db::RegistrationsKey);
        DeleteFileW(Shortcut);
    }

    std::wstring program() const { return folder_.file(L"morvane.exe"); }

    static void setSetting(const wchar_t* name, DWORD value)
    {
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, SettingsKey, name, REG_DWORD, &value, sizeof value);
    }

    test::ProcessResult run(const std::wstring& arguments)
    {
        return test::runProgram(program(), arguments);
    }

    // Starts a resident instance and waits for its hidden window.
    HANDLE startResident(const std::wstring& arguments)
    {
        HANDLE process = test::startProgram(program(), arguments);
        if (process) residents_.push_back(process);
        EXPECT_TRUE(test::waitUntil([] { return findAppWindow() != nullptr; }))
            << "no resident instance for " << testing::PrintToString(arguments);
        return process;
    }

    // Ends the resident instance the way Ctrl+Q does and returns its exit code.
    static test::ProcessResult endResident(HANDLE process)
    {
        if (HWND dialog = findMainDialog(GetProcessId(process))) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        PostMessageW(findAppWindow(), WM_COMMAND, IDOK, 0);
        test::ProcessResult result;
        if (WaitForSingleObject(process, test::MachineWaitMs) == WAIT_OBJECT_0) {
            result.finished = true;
            GetExitCodeProcess(process, &result.exitCode);
        }
        return result;
    }

    test::ScratchFolder folder_{L"startup"};
    std::vector<HANDLE> residents_;
};

TEST_F(Startup, EventArgumentsInAnyLetterCaseEndWithOne)
{
    setSetting(L"EnableCommands", 1);
    for (const wchar_t* line : {L"AppRunAfterWakeup", L"apprunafterwakeup", L"APPRUNAFTERWAKEUP",
                                L"AppRunAtTime", L"apprunattime", L"APPRUNATTIME", L"aPpRuNaTtImE"}) {
        test::ProcessResult result = run(line);
        ASSERT_TRUE(result.finished) << testing::PrintToString(std::wstring(line));
        EXPECT_EQ(1u, result.exitCode) << testing::PrintToString(std::wstring(line));
        EXPECT_EQ(nullptr, findAppWindow());
    }
    // An event start touches no registration of the launcher.
    EXPECT_FALSE(wakeupRegistered());
    EXPECT_FALSE(test::fileExists(Shortcut));
}

TEST_F(Startup, ResetInAnyLetterCaseStaysResident)
{
    setSetting(L"EnableCommands", 1);
    for (const wchar_t* line : {L"-reset", L"-RESET", L"-ReSeT"}) {
        HANDLE process = startResident(line);
        // The registrations follow the window's creation.
        EXPECT_TRUE(test::waitUntil(wakeupRegistered));
        test::ProcessResult end = endResident(process);
        ASSERT_TRUE(end.finished);
        EXPECT_EQ(0u, end.exitCode);
    }
}

TEST_F(Startup, DisabledCommandsEndEveryEventStartAtOnce)
{
    for (bool valuePresent : {false, true}) {
        if (valuePresent) setSetting(L"EnableCommands", 0);
        for (const wchar_t* line : {L"AppRunAfterWakeup", L"-reset", L"AppRunAtTime", L"-Reset"}) {
            test::ProcessResult result = run(line);
            ASSERT_TRUE(result.finished);
            EXPECT_EQ(1u, result.exitCode);
            EXPECT_EQ(nullptr, findAppWindow());
        }
        // Nothing was run, so the command file was never opened.
        EXPECT_FALSE(test::fileExists(folder_.file(L"Data\\zelvane.dat")));
        EXPECT_FALSE(wakeupRegistered());
    }
    // The command file object exists from the start: its folder is there.
    EXPECT_TRUE(test::fileExists(folder_.file(L"Data")));
}

TEST_F(Startup, AnythingButTheWholeLiteralIsAUserStart)
{
    // Commands disabled: an event start would end at once with 1.
    for (const wchar_t* line : {L"AppRunAtTime ", L" -reset", L"AppRunAfterWakeup now", L"", L"hello"}) {
        HANDLE process = startResident(line);
        test::ProcessResult end = endResident(process);
        ASSERT_TRUE(end.finished) << testing::PrintToString(std::wstring(line));
        EXPECT_EQ(0u, end.exitCode);
    }
}

TEST_F(Startup, ResidentStartRegistersAndItsEndRemovesEverything)
{
    HANDLE process = startResident(L"");
    HWND window = findAppWindow();
    EXPECT_FALSE(IsWindowVisible(window));
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    EXPECT_EQ(GetProcessId(process), owner);

    // Registrations are in place whether or not commands are enabled. The
    // shortcut's file is made first and written after.
    const std::string shortcut = "30#\"\\windows\\mvlaunch.exe\" -reset";
    EXPECT_TRUE(test::waitUntil([&] { return wakeupRegistered() && test::readFileBytes(Shortcut) == shortcut; }))
        << "registered: " << wakeupRegistered() << ", shortcut: " << test::readFileBytes(Shortcut);

    test::ProcessResult end = endResident(process);
    ASSERT_TRUE(end.finished);
    EXPECT_EQ(0u, end.exitCode);
    EXPECT_FALSE(wakeupRegistered());
    EXPECT_FALSE(test::fileExists(Shortcut));
    EXPECT_TRUE(notification_db::timedRegistrations().empty());
}

// The common controls, which cost a process much memory under the platform,
// come with the resident instance's first dialog: not with its start, its
// hidden window or its tray icon.
TEST_F(Startup, SecondStartOpensTheFirstOnesMainDialogAndEndsWithZero)
{
    setSetting(L"EnableTrayIcon", 1);
    HANDLE first = startResident(L"");
    DWORD firstId = GetProcessId(first);
    ASSERT_TRUE(test::waitUntil([] { return wakeupRegistered() && test::fileExists(Shortcut); }));
    EXPECT_EQ(nullptr, findMainDialog(firstId));   // ShowMainWin is missing
    EXPECT_FALSE(hasModule(firstId, L"comctl32.dll"));

    test::ProcessResult second = run(L"");
    ASSERT_TRUE(second.finished);
    EXPECT_EQ(0u, second.exitCode);
    EXPECT_TRUE(test::waitUntil([&] { return findMainDialog(firstId) != nullptr; }));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(first, 0));
    EXPECT_TRUE(hasModule(firstId, L"comctl32.dll"));
}

TEST_F(Startup, MainDialogOpensAtStartExceptAfterAReset)
{
    setSetting(L"EnableCommands", 1);
    setSetting(L"ShowMainWin", 1);

    HANDLE afterReset = startResident(L"-reset");
    Sleep(1000);   // time enough for a posted open to arrive, if there were one
    EXPECT_EQ(nullptr, findMainDialog(GetProcessId(afterReset)));

    // A reset start while a resident instance runs ends with 0 and opens the
    // running one's main dialog; so does a plain start.
    test::ProcessResult resetAgain = run(L"-reset");
    ASSERT_TRUE(resetAgain.finished);
    EXPECT_EQ(0u, resetAgain.exitCode);
    EXPECT_TRUE(test::waitUntil([&] { return findMainDialog(GetProcessId(afterReset)) != nullptr; }));
    test::ProcessResult end = endResident(afterReset);
    ASSERT_TRUE(end.finished);

    HANDLE plain = startResident(L"");
    EXPECT_TRUE(test::waitUntil([&] { return findMainDialog(GetProcessId(plain)) != nullptr; }));
}

// ---- In this process: the resources and the window procedure themselves ----

TEST(StartupResources, AcceleratorsAreCtrlAAndCtrlQ)
{
    instanceHandle = GetModuleHandleW(nullptr);
    HACCEL table = LoadAcceleratorsW(instanceHandle, MAKEINTRESOURCEW(IDR_ACCELERATORS));
    ASSERT_NE(nullptr, table);
    ACCEL entries[4];
    ASSERT_EQ(2, CopyAcceleratorTableW(table, entries, 4));
    const BYTE flags = FVIRTKEY | FCONTROL | FNOINVERT;
    EXPECT_EQ(flags, entries[0].fVirt & ~0x80);
    EXPECT_EQ('A', entries[0].key);
    EXPECT_EQ(IDM_ABOUT, entries[0].cmd);
    EXPECT_EQ(flags, entries[1].fVirt & ~0x80);
    EXPECT_EQ('Q', entries[1].key);
    EXPECT_EQ(IDOK, entries[1].cmd);
}

TEST(StartupResources, CtrlQClosesTheHiddenWindowAndEndsTheLoop)
{
    instanceHandle = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = appWindowProc;
    windowClass.hInstance = instanceHandle;
    windowClass.lpszClassName = L"ZELMORVANE.test";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"Morvane", 0, 0, 0, 10, 10, nullptr,
                                  nullptr, instanceHandle, nullptr);
    ASSERT_NE(nullptr, window);
    HACCEL table = LoadAcceleratorsW(instanceHandle, MAKEINTRESOURCEW(IDR_ACCELERATORS));

    // Ctrl held down in this thread's keyboard state, Q pressed at the window.
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    MSG press{window, WM_KEYDOWN, 'Q', 0x00100001, 0, {0, 0}};
    EXPECT_TRUE(TranslateAcceleratorW(window, table, &press));
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);

    EXPECT_FALSE(IsWindow(window));
    MSG quit{};
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(0u, quit.wParam);
}

TEST(StartupResources, DialogBrushIsTheDialogColourMadeOnce)
{
    HDC dc = CreateCompatibleDC(nullptr);
    const INT_PTR first = dialogColour(reinterpret_cast<WPARAM>(dc));
    const INT_PTR second = dialogColour(reinterpret_cast<WPARAM>(dc));
    DeleteDC(dc);
    EXPECT_EQ(first, reinterpret_cast<INT_PTR>(dialogBrush));
    EXPECT_EQ(first, second);

    LOGBRUSH brush{};
    ASSERT_EQ(static_cast<int>(sizeof brush), GetObjectW(dialogBrush, sizeof brush, &brush));
    EXPECT_EQ(static_cast<UINT>(BS_SOLID), brush.lbStyle);
    EXPECT_EQ(RGB(153, 153, 204), brush.lbColor);
}

TEST(StartupResources, WindowStringsAndTrayMenu)
{
    instanceHandle = GetModuleHandleW(nullptr);
    wchar_t text[100];
    ASSERT_GT(LoadStringW(instanceHandle, IDS_WINDOW_CLASS, text, 100), 0);
    EXPECT_STREQ(L"ZELMORVANE", text);
    ASSERT_GT(LoadStringW(instanceHandle, IDS_APP_TITLE, text, 100), 0);
    EXPECT_STREQ(L"Morvane", text);
    ASSERT_GT(LoadStringW(instanceHandle, IDS_MENUBAR_BUTTON, text, 100), 0);
    EXPECT_STREQ(L" ", text);

    HMENU menu = LoadMenuW(instanceHandle, MAKEINTRESOURCEW(IDR_TRAY_MENU));
    ASSERT_NE(nullptr, menu);
    HMENU popup = GetSubMenu(menu, 0);
    const UINT expected[] = {0xFFFFFFFF, IDM_TRAY_NEW_COMMAND, 0, IDM_TRAY_OPEN, IDM_TRAY_OPTIONS, 0,
                             IDM_TRAY_ABOUT, IDM_TRAY_EXIT};
    ASSERT_EQ(8, GetMenuItemCount(popup));
    for (int i = 0; i < 8; ++i) EXPECT_EQ(expected[i], GetMenuItemID(popup, i)) << i;
    HMENU runCommand = GetSubMenu(popup, 0);
    ASSERT_EQ(1, GetMenuItemCount(runCommand));
    EXPECT_EQ(static_cast<UINT>(IDM_TRAY_RUN_PLACEHOLDER), GetMenuItemID(runCommand, 0));
    DestroyMenu(menu);
}

} // namespace
