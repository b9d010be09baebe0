#include "tests/shell/ui_support.h"
#include "commands/command_file.h"
#include "platform/notification_db.h"
#include "platform/text.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/main_window.h"
#include "shell/settings_store.h"

#include <shellapi.h>
#include <sstream>

namespace ui {

DWORD setting(const wchar_t* name)
{
    SettingsStore settings;
    return settings.getDword(name);
}

void setSetting(const wchar_t* name, DWORD value)
{
    SettingsStore settings;
    settings.setDword(name, value);
}

bool trayIconShown(HWND window)
{
    NOTIFYICONDATAW probe{};
    probe.cbSize = sizeof probe;
    probe.hWnd = window;
    probe.uID = TrayIconId;
    return Shell_NotifyIconW(NIM_MODIFY, &probe) != FALSE;
}

bool wakeupRegistered()
{
    for (const auto& r : notification_db::eventRegistrations())
        if (_wcsicmp(r.program.c_str(), Launcher) == 0) return true;
    return false;
}

std::vector<std::wstring> storedNames()
{
    std::vector<std::wstring> names;
    CommandFile file;
    Command command;
    for (DWORD i = 0; file.readNextCommand(i, command); ++i) names.push_back(command.commandName);
    return names;
}

void store(const std::vector<Command>& commands)
{
    CommandFile file;
    for (const Command& command : commands) ASSERT_TRUE(file.appendCommand(command));
}

Command closeAllCommand(const wchar_t* name, TriggerKind trigger)
{
    Command command;
    copyText(command.commandName, name);
    command.triggerKind = trigger;
    command.actionKind = ActionKind::CloseAllPrograms;
    return command;
}

Command cleanupCommand(const wchar_t* name, TriggerKind trigger)
{
    Command command = closeAllCommand(name, trigger);
    command.actionKind = ActionKind::Cleanup;   // counted, never carried out
    return command;
}

Command dailyAt(Command command, WORD hour, WORD minute)
{
    command.triggerKind = TriggerKind::OnSchedule;
    command.schedule.recurrence = Recurrence::Daily;
    command.schedule.timeMode = TimeMode::AtSpecificTime;
    command.schedule.runTime.wHour = hour;
    command.schedule.runTime.wMinute = minute;
    return command;
}

Probe::Probe() : exe_(folder_.file(L"probe.exe"))
{
    EXPECT_TRUE(CopyFileW(test::probeExe().c_str(), exe_.c_str(), FALSE));
}

Command Probe::launch(const wchar_t* name, TriggerKind trigger) const
{
    Command command;
    copyText(command.commandName, name);
    command.triggerKind = trigger;
    command.actionKind = ActionKind::LaunchProgram;
    copyText(command.action.programPath, exe_.c_str());
    copyText(command.action.programArguments, name);
    return command;
}

std::vector<std::wstring> Probe::starts() const
{
    std::vector<std::wstring> names;
    std::wistringstream lines(test::readFileText(folder_.file(L"probe.log")));
    for (std::wstring line; std::getline(lines, line);) {
        size_t open = line.find(L"\t[");
        if (open != std::wstring::npos && line.back() == L']') names.push_back(line.substr(open + 2, line.size() - open - 3));
    }
    return names;
}

bool Probe::waitForStarts(size_t count) const
{
    return test::waitUntil([&] { return starts().size() >= count; });
}

// ---- The popup menu ---------------------------------------------------------

namespace {

thread_local MenuChooser* activeChooser = nullptr;

std::wstring itemText(HMENU menu, int position)
{
    wchar_t text[PathCapacity] = L"";
    GetMenuStringW(menu, static_cast<UINT>(position), text, static_cast<int>(std::size(text)), MF_BYPOSITION);
    return text;
}

bool isSeparator(HMENU menu, int position)
{
    return (GetMenuState(menu, static_cast<UINT>(position), MF_BYPOSITION) & MF_SEPARATOR) != 0;
}

// Number of selectable items up to and including the one with this text; 0 when absent.
int selectableCount(HMENU menu, const std::wstring& text, int* position)
{
    int count = 0;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        if (isSeparator(menu, i)) continue;
        ++count;
        if (itemText(menu, i) == text) {
            *position = i;
            return count;
        }
    }
    return 0;
}

void postKey(HWND popup, WPARAM key)
{
    PostMessageW(popup, WM_KEYDOWN, key, 0);
}

HWND threadPopup()
{
    struct Search {
        DWORD thread;
        HWND found;
    } search{GetCurrentThreadId(), nullptr};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* s = reinterpret_cast<Search*>(parameter);
            wchar_t name[16] = L"";
            GetClassNameW(window, name, 16);
            if (wcscmp(name, L"#32768") == 0 && IsWindowVisible(window) &&
                GetWindowThreadProcessId(window, nullptr) == s->thread && !s->found)
                s->found = window;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace

MenuChooser::MenuChooser()
{
    activeChooser = this;
    timer_ = SetTimer(nullptr, 0, 30, onTimer);
}

MenuChooser::~MenuChooser()
{
    KillTimer(nullptr, timer_);
    activeChooser = nullptr;
    EXPECT_TRUE(requests_.empty()) << "a menu choice was never made";
}

void MenuChooser::choose(std::vector<std::wstring> path, std::function<void()> before)
{
    requests_.push_back(Request{std::move(path), std::move(before)});
    handled_ = nullptr;   // the next tray menu is a new one, whatever its window handle
}

void CALLBACK MenuChooser::onTimer(HWND, UINT, UINT_PTR, DWORD)
{
    if (activeChooser) activeChooser->tick();
}

void MenuChooser::tick()
{
    HWND popup = threadPopup();
    if (!popup) {
        handled_ = nullptr;
        return;
    }
    if (popup == handled_) {
        // Keys that chose nothing would leave the menu up for ever.
        if (GetTickCount() - actedAt_ > 5000) {
            ADD_FAILURE() << "the menu is still up after the keys were posted";
            postKey(popup, VK_ESCAPE);
            actedAt_ = GetTickCount();
        }
        return;
    }
    // Only the tray menu itself; its submenu's window is acted on through it.
    auto menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
    if (GetMenuItemCount(menu) != 8 || itemText(menu, 0) != L"Run Command") return;
    handled_ = popup;
    actedAt_ = GetTickCount();
    act(popup);
}

void MenuChooser::act(HWND popup)
{
    ++menusShown;
    GetWindowRect(popup, &lastRect);
    auto menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
    topItems.clear();
    runItems.clear();
    runIds.clear();
    for (int i = 0; i < GetMenuItemCount(menu); ++i) topItems.push_back(isSeparator(menu, i) ? L"" : itemText(menu, i));
    if (HMENU run = GetSubMenu(menu, 0)) {
        for (int i = 0; i < GetMenuItemCount(run); ++i) {
            runItems.push_back(itemText(run, i));
            runIds.push_back(GetMenuItemID(run, i));
        }
    }

    if (requests_.empty()) {
        ++unexpectedMenus;
        postKey(popup, VK_ESCAPE);
        return;
    }
    Request request = std::move(requests_.front());
    requests_.erase(requests_.begin());
    if (request.before) request.before();
    if (request.path.empty()) {
        postKey(popup, VK_ESCAPE);
        return;
    }

    int position = -1;
    int downs = selectableCount(menu, request.path[0], &position);
    if (downs == 0) {
        ADD_FAILURE() << "no menu item " << testing::PrintToString(request.path[0]);
        postKey(popup, VK_ESCAPE);
        return;
    }
    for (int i = 0; i < downs; ++i) postKey(popup, VK_DOWN);
    if (request.path.size() > 1) {
        HMENU sub = GetSubMenu(menu, position);
        int subPosition = -1;
        int subDowns = sub ? selectableCount(sub, request.path[1], &subPosition) : 0;
        if (subDowns == 0) {
            ADD_FAILURE() << "no submenu item " << testing::PrintToString(request.path[1]);
            postKey(popup, VK_ESCAPE);
            postKey(popup, VK_ESCAPE);
            return;
        }
        // Opening a submenu with the right arrow selects its first item.
        postKey(popup, VK_RIGHT);
        for (int i = 1; i < subDowns; ++i) postKey(popup, VK_DOWN);
    }
    postKey(popup, VK_RETURN);
}

HWND openPopupMenu(DWORD processId)
{
    struct Search {
        DWORD process;
        HWND found;
    } search{processId, nullptr};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* s = reinterpret_cast<Search*>(parameter);
            wchar_t name[16] = L"";
            GetClassNameW(window, name, 16);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (wcscmp(name, L"#32768") == 0 && IsWindowVisible(window) && owner == s->process) s->found = window;
            return s->found ? FALSE : TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void chooseByIndex(HWND popup, int selectableIndex)
{
    for (int i = 0; i <= selectableIndex; ++i) postKey(popup, VK_DOWN);
    postKey(popup, VK_RETURN);
}

// ---- The hidden main window ---------------------------------------------------

void AppWindowTest::SetUp()
{
    instanceHandle = GetModuleHandleW(nullptr);
    test::deleteMachineKey(SettingsKey);
    test::deleteMachineKey(notification_db::RegistrationsKey);
    CommandFile file;
    commandFile_ = std::wstring(file.dataFolderPath()) + L"\\zelvane.dat";
    DeleteFileW(commandFile_.c_str());

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = appWindowProc;
    windowClass.hInstance = instanceHandle;
    windowClass.lpszClassName = L"ZELMORVANE.ui";
    RegisterClassW(&windowClass);
    appWindow = CreateWindowExW(0, windowClass.lpszClassName, L"Morvane.ui", 0, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instanceHandle, nullptr);
    ASSERT_NE(nullptr, appWindow);
    dialogOpen = 0;
}

void AppWindowTest::TearDown()
{
    if (IsWindow(appWindow)) {
        removeTrayIcon();
        DestroyWindow(appWindow);
    }
    MSG quit;
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    appWindow = nullptr;
    DeleteFileW(commandFile_.c_str());
    test::deleteMachineKey(SettingsKey);
    test::deleteMachineKey(notification_db::RegistrationsKey);
}

void AppWindowTest::tap()
{
    SendMessageW(appWindow, TrayCallbackMessage, TrayIconId, WM_LBUTTONUP);
}

bool AppWindowTest::pumpUntilClosed()
{
    bool quit = false;
    test::waitUntil([&] {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
                continue;
            }
            DispatchMessageW(&message);
        }
        return quit && !IsWindow(appWindow);
    });
    return quit && !IsWindow(appWindow);
}

} // namespace ui
