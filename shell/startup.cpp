#include "shell/startup.h"
#include "commands/command_runner.h"
#include "platform/device.h"
#include "platform/notify.h"
#include "resources/resource.h"
#include "schedule/scheduler.h"
#include "shell/app_state.h"
#include "shell/main_window.h"
#include "shell/settings_store.h"

#include <cwchar>
#include <iterator>

namespace {

enum class StartKind { PowerOn, Reset, Timed, User };

StartKind classify(const wchar_t* commandLine)
{
    // The whole line, without trimming: "AppRunAtTime " is a user start.
    if (_wcsicmp(commandLine, PowerOnArgument) == 0) return StartKind::PowerOn;
    if (_wcsicmp(commandLine, ResetArgument) == 0) return StartKind::Reset;
    if (_wcsicmp(commandLine, TimedArgument) == 0) return StartKind::Timed;
    return StartKind::User;
}

// Brings the window forward together with the windows it owns.
void bringForward(HWND window)
{
    SetForegroundWindow(reinterpret_cast<HWND>(reinterpret_cast<ULONG_PTR>(window) | 1));
}

bool registerWindowClass(const wchar_t* className)
{
    WNDCLASSW windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = appWindowProc;
    windowClass.hInstance = instanceHandle;
    windowClass.hIcon = LoadIconW(instanceHandle, MAKEINTRESOURCEW(IDI_MORVANE));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = className;
    return RegisterClassW(&windowClass) != 0;
}

// Fails when another resident instance runs (it is asked to open its main
// dialog) or the hidden window cannot be made.
bool initInstance()
{
    dialogOpen = 0;

    wchar_t className[100], title[100];
    LoadStringW(instanceHandle, IDS_WINDOW_CLASS, className, std::size(className));
    LoadStringW(instanceHandle, IDS_APP_TITLE, title, std::size(title));

    if (HWND running = FindWindowW(className, title)) {
        bringForward(running);
        PostMessageW(running, OpenMainDialogMessage, 0, 0);
        return false;
    }

    registerWindowClass(className);
    HWND window = CreateWindowExW(0, className, title, 0, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instanceHandle,
                                  nullptr);
    if (!window) return false;
    appWindow = window;

    SettingsStore settings;
    if (settings.getDword(L"EnableTrayIcon")) addTrayIcon();
    if (settings.getDword(L"ShowMainWin") && mainDialogAllowed == 1) {
        bringForward(appWindow);
        PostMessageW(appWindow, OpenMainDialogMessage, 0, 0);
    }
    return true;
}

} // namespace

int morvaneMain(HINSTANCE instance, const wchar_t* commandLine)
{
    instanceHandle = instance;
    mainDialogAllowed = 1;

    // Nothing registers the program itself for an event; clear any stale one.
    wchar_t ownPath[MAX_PATH] = L"";
    GetModuleFileNameW(instanceHandle, ownPath, std::size(ownPath));
    CeRunAppAtEvent(ownPath, NOTIFICATION_EVENT_NONE);

    SettingsStore settings;
    const bool commandsEnabled = settings.getDword(L"EnableCommands") != 0;
    const StartKind kind = classify(commandLine);

    if (kind != StartKind::User && !commandsEnabled) return EventHandledExitCode;
    switch (kind) {
    case StartKind::PowerOn: {
        CommandRunner runner;
        runner.runPowerOnCommands();
        return EventHandledExitCode;
    }
    case StartKind::Timed: {
        CommandRunner runner;
        Scheduler scheduler;
        runner.runTimedCommands();
        scheduler.ScheduleNextRun();
        return EventHandledExitCode;
    }
    case StartKind::Reset: {
        CommandRunner runner;
        runner.runResetCommands();
        mainDialogAllowed = 0;
        break;   // and on as a resident start
    }
    case StartKind::User:
        break;
    }

    // The common controls are initialised with the first dialog
    // (runDialogResource), not here: under the platform loading them costs
    // a resident instance that shows nothing 1.4 MB.
    if (!initInstance()) return StartRefusedExitCode;

    HACCEL accelerators = LoadAcceleratorsW(instanceHandle, MAKEINTRESOURCEW(IDR_ACCELERATORS));

    Scheduler scheduler;
    scheduler.ClearEventRegistrations();
    scheduler.RegisterWakeupEvent();
    scheduler.CreateStartupShortcut();
    scheduler.ClearTimedRegistrations();
    scheduler.ScheduleNextRun();

    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!TranslateAcceleratorW(message.hwnd, accelerators, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }

    scheduler.DeleteStartupShortcut();
    scheduler.ClearTimedRegistrations();
    scheduler.ClearEventRegistrations();
    return static_cast<int>(message.wParam);
}
