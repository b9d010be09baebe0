// devctl.exe: the device's side of the `device` script. Each verb does one
// thing inside the device, where the device's clock, registry, notification
// service and drive C: are at hand:
//
//   install            the install folder's registry value, \Windows\StartUp,
//                      a new device's clock at the host's local time, and, on
//                      a device that never had them, Morvane's first settings
//   run | start        start DEVICE_PROGRAM with DEVICE_ARGUMENTS as its exact
//                      arguments (taken from the environment, so that no
//                      command-line quoting touches them); run waits and exits
//                      with the program's exit code
//   power-on           the power button; returns once the wake-up programs
//                      have been started
//   startup            start the targets of the \Windows\StartUp shortcuts
//   wait-service [S]   wait up to S seconds until the service serves
//   stop-service       end the notification service
//   clock show | clock set "YYYY-MM-DD HH:MM"
//   status             the clock, registrations and "NextScheduled"
#include "emulator/device_services.h"
#include "emulator/device_status.h"
#include "emulator/start_menu.h"
#include "emulator/startup_folder.h"
#include "platform/device.h"
#include "platform/device_clock.h"
#include "platform/notification_db.h"
#include "platform/scoped.h"

#include <windows.h>
#include <cwchar>
#include <string>

namespace {

constexpr int Succeeded = 0;
constexpr int Failed = 1;
constexpr int Usage = 2;
constexpr int CannotStart = 127;

constexpr DWORD PowerOnTimeoutMs = 60000;
constexpr DWORD StopTimeoutMs = 30000;

constexpr wchar_t ProgramVariable[] = L"DEVICE_PROGRAM";
constexpr wchar_t ArgumentsVariable[] = L"DEVICE_ARGUMENTS";

void write(DWORD which, const std::wstring& text)
{
    HANDLE out = GetStdHandle(which);
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size,
                        nullptr, nullptr);
    WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void print(const std::wstring& text) { write(STD_OUTPUT_HANDLE, text); }

int fail(const std::wstring& message, int code = Failed)
{
    write(STD_ERROR_HANDLE, L"devctl: " + message + L"\n");
    return code;
}

std::wstring errorText(DWORD error) { return L"error " + std::to_wstring(error); }

bool takeVariable(const wchar_t* name, std::wstring& value)
{
    DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return false;
    value.assign(size, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), size));
    // The started program must not find it.
    SetEnvironmentVariableW(name, nullptr);
    return true;
}

// What the handheld's installer gives a device that never ran Morvane:
// commands on, the tray icon, and the main window at start. The program
// itself writes no initial values; settings already there are kept.
bool seedSettings()
{
    ScopedKey key;
    DWORD disposition = 0;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, device_services::SettingsKeyPath, 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, key.out(), &disposition) != ERROR_SUCCESS)
        return false;
    if (disposition != REG_CREATED_NEW_KEY) return true;
    const DWORD on = 1;
    for (const wchar_t* name : {L"EnableCommands", L"EnableTrayIcon", L"ShowMainWin", L"ShowStatus"})
        if (RegSetValueExW(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on), sizeof on) !=
            ERROR_SUCCESS)
            return false;
    return true;
}

int install()
{
    ScopedKey key;
    LONG r = RegCreateKeyExW(HKEY_LOCAL_MACHINE, device_services::InstallKeyPath, 0, nullptr, 0,
                             KEY_SET_VALUE, nullptr, key.out(), nullptr);
    if (r == ERROR_SUCCESS)
        r = RegSetValueExW(key.get(), device_services::InstallDirValue, 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(device_services::InstallDir),
                           sizeof device_services::InstallDir);
    if (r != ERROR_SUCCESS)
        return fail(L"cannot write the install folder (" + errorText(static_cast<DWORD>(r)) + L")");
    if (!CreateDirectoryW(device_services::StartupFolder, nullptr) &&
        GetLastError() != ERROR_ALREADY_EXISTS)
        return fail(L"cannot make " + std::wstring(device_services::StartupFolder));
    if (!device_clock::storeInitialOffset()) return fail(L"cannot set the device clock");
    if (!seedSettings()) return fail(L"cannot write Morvane's first settings");
    if (!start_menu::addProgram(L"Morvane", device_services::MorvaneProgram, device_services::MorvaneFolder))
        return fail(L"cannot put Morvane on the Start menu");
    return Succeeded;
}

int startProgram(bool wait)
{
    std::wstring program, arguments;
    if (!takeVariable(ProgramVariable, program) || program.empty())
        return fail(L"no program in DEVICE_PROGRAM", Usage);
    takeVariable(ArgumentsVariable, arguments);

    PROCESS_INFORMATION process{};
    // Detached, so that a program that stays (a resident instance) does not
    // hold the pipes of whoever ran the device command. The program may be
    // one of the build's on a host drive that the device script mapped.
    if (!ce::CreateHarnessProcessW(program.c_str(), arguments.data(), DETACHED_PROCESS, &process)) {
        DWORD error = GetLastError();
        if (error == ERROR_INTERNAL_ERROR) {
            // Wine, not the program: say so, in the device script's words.
            write(STD_ERROR_HANDLE, L"device: Wine refused to start " + program + L" " +
                                        std::to_wstring(ce::StartAttempts) +
                                        L" times (error 1359) (not a test failure)\n");
            return CannotStart;
        }
        return fail(L"cannot start " + program + L" (" + errorText(error) + L")", CannotStart);
    }
    ScopedHandle thread(process.hThread), child(process.hProcess);
    if (!wait) return Succeeded;
    WaitForSingleObject(child.get(), INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(child.get(), &exitCode);
    return static_cast<int>(exitCode);
}

bool serviceServing(DWORD timeoutMs)
{
    ScopedHandle ready(CreateEventW(nullptr, TRUE, FALSE, device_services::ServiceReadyName));
    return ready && WaitForSingleObject(ready.get(), timeoutMs) == WAIT_OBJECT_0;
}

int powerOn()
{
    if (!serviceServing(0)) return fail(L"the notification service is not running");
    ScopedHandle clientLock(CreateMutexW(nullptr, FALSE, device_services::PowerOnClientName));
    MutexLock oneAtATime(clientLock.get());
    ScopedHandle done(CreateEventW(nullptr, FALSE, FALSE, device_services::PowerOnDoneName));
    ScopedHandle request(CreateEventW(nullptr, FALSE, FALSE, device_services::PowerOnRequestName));
    if (!done || !request) return fail(L"cannot reach the notification service");
    // A client that gave up earlier may have left its answer behind.
    ResetEvent(done.get());
    SetEvent(request.get());
    if (WaitForSingleObject(done.get(), PowerOnTimeoutMs) != WAIT_OBJECT_0)
        return fail(L"the notification service did not answer the power-on");
    return Succeeded;
}

int startup()
{
    startup_folder::StartupResult result =
        startup_folder::runStartupFolder(device_services::StartupFolder);
    for (const std::wstring& problem : result.problems) fail(problem);
    return result.problems.empty() ? Succeeded : Failed;
}

int waitService(int argc, wchar_t** argv)
{
    DWORD seconds = argc > 2 ? wcstoul(argv[2], nullptr, 10) : 30;
    if (serviceServing(seconds * 1000)) return Succeeded;
    return fail(L"the notification service did not start");
}

int waitPanel(int argc, wchar_t** argv)
{
    DWORD seconds = argc > 2 ? wcstoul(argv[2], nullptr, 10) : 30;
    ScopedHandle ready(CreateEventW(nullptr, TRUE, FALSE, device_services::InputPanelReadyName));
    if (ready && WaitForSingleObject(ready.get(), seconds * 1000) == WAIT_OBJECT_0) return Succeeded;
    return fail(L"the input panel did not take its place on the task bar");
}

int stopService()
{
    ScopedHandle running(OpenMutexW(SYNCHRONIZE, FALSE, device_services::ServiceMutexName));
    if (!running) return Succeeded;
    ScopedHandle shutdown(
        CreateEventW(nullptr, FALSE, FALSE, device_services::ShutdownRequestName));
    if (shutdown) SetEvent(shutdown.get());
    // The service owns the mutex while it serves; it is ours once the service is gone.
    DWORD r = WaitForSingleObject(running.get(), StopTimeoutMs);
    if (r != WAIT_OBJECT_0 && r != WAIT_ABANDONED)
        return fail(L"the notification service did not stop");
    ReleaseMutex(running.get());
    return Succeeded;
}

int clock(int argc, wchar_t** argv)
{
    std::wstring verb = argc > 2 ? argv[2] : L"show";
    if (verb == L"show" && argc <= 3) {
        SYSTEMTIME now;
        ce::GetLocalTime(&now);
        print(device_status::formatMoment(now) + L"\n");
        return Succeeded;
    }
    if (verb != L"set" || argc < 4) return fail(L"usage: clock show | clock set \"YYYY-MM-DD HH:MM\"", Usage);
    std::wstring text = argv[3];
    for (int i = 4; i < argc; ++i) text += std::wstring(L" ") + argv[i];
    SYSTEMTIME moment;
    std::wstring problem = device_status::parseMoment(text, moment);
    if (!problem.empty()) return fail(L"\"" + text + L"\": " + problem, Usage);
    if (!ce::SetLocalTime(&moment)) return fail(L"cannot set the clock (" + errorText(GetLastError()) + L")");
    return Succeeded;
}

int status()
{
    SYSTEMTIME now;
    ce::GetLocalTime(&now);
    print(device_status::statusText(now, notification_db::eventRegistrations(),
                                    notification_db::timedRegistrations(),
                                    device_status::nextScheduledLine()));
    return Succeeded;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    std::wstring verb = argc > 1 ? argv[1] : L"";
    if (verb == L"install") return install();
    if (verb == L"run") return startProgram(true);
    if (verb == L"start") return startProgram(false);
    if (verb == L"power-on") return powerOn();
    if (verb == L"startup") return startup();
    if (verb == L"wait-service") return waitService(argc, argv);
    if (verb == L"stop-service") return stopService();
    if (verb == L"wait-panel") return waitPanel(argc, argv);
    if (verb == L"clock") return clock(argc, argv);
    if (verb == L"status") return status();
    return fail(L"unknown verb \"" + verb + L"\"", Usage);
}
