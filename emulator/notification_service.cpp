#include "emulator/notification_service.h"
#include "emulator/device_services.h"
#include "platform/device.h"
#include "platform/device_clock.h"
#include "platform/device_log.h"
#include "platform/notify.h"
#include "platform/scoped.h"

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <memory>

namespace notification_service {

namespace {

constexpr ULONGLONG TicksPerMillisecond = 10000;

void trace(const wchar_t* what, const std::wstring& program, DWORD error)
{
    wchar_t line[MAX_PATH + 96];
    swprintf(line, std::size(line), L"notifysvc: %ls %ls (error %lu)\n", what, program.c_str(),
             error);
    OutputDebugStringW(line);
}

// With the device's trace on, how each started program ended (the
// launcher's exit code tells whether it could read its install folder).
struct Started {
    HANDLE process;
    std::wstring program;
    DWORD id;
};

DWORD WINAPI traceExit(void* parameter)
{
    std::unique_ptr<Started> started(static_cast<Started*>(parameter));
    WaitForSingleObject(started->process, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(started->process, &code);
    CloseHandle(started->process);
    device_log::write((L"exit\t" + started->program + L"\t" + std::to_wstring(started->id) + L"\tcode " +
                       std::to_wstring(static_cast<LONG>(code)))
                          .c_str());
    return 0;
}

void followExit(HANDLE process, const std::wstring& program, DWORD id)
{
    auto started = std::make_unique<Started>(Started{process, program, id});
    if (HANDLE thread = CreateThread(nullptr, 0, traceExit, started.get(), 0, nullptr)) {
        started.release();
        CloseHandle(thread);
    } else {
        CloseHandle(process);
    }
}

} // namespace

ULONGLONG ticksOf(const SYSTEMTIME& moment)
{
    FILETIME ft{};
    SystemTimeToFileTime(&moment, &ft);
    return device_clock::toTicks(ft);
}

std::vector<notification_db::TimedRegistration>
dueAt(std::vector<notification_db::TimedRegistration> registrations, ULONGLONG now)
{
    registrations.erase(std::remove_if(registrations.begin(), registrations.end(),
                                       [now](const auto& r) { return ticksOf(r.when) > now; }),
                        registrations.end());
    std::stable_sort(registrations.begin(), registrations.end(), [](const auto& a, const auto& b) {
        return ticksOf(a.when) < ticksOf(b.when);
    });
    return registrations;
}

DWORD millisecondsUntilNextDue(const std::vector<notification_db::TimedRegistration>& registrations,
                               ULONGLONG now)
{
    ULONGLONG earliest = 0;
    for (const auto& registration : registrations) {
        ULONGLONG due = ticksOf(registration.when);
        if (due > now && (earliest == 0 || due < earliest)) earliest = due;
    }
    if (earliest == 0) return INFINITE;
    // Rounded up, so that the service wakes at or after the moment.
    ULONGLONG wait = (earliest - now + TicksPerMillisecond - 1) / TicksPerMillisecond;
    return wait > LongestWait ? LongestWait : static_cast<DWORD>(wait);
}

bool startRegisteredProgram(const std::wstring& program, const wchar_t* argument)
{
    std::wstring arguments = argument;
    PROCESS_INFORMATION process{};
    // Detached: the device's programs never hold the host terminal or pipes
    // of whoever started the device.
    if (!ce::CreateProcessW(program.c_str(), arguments.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS,
                            nullptr, nullptr, nullptr, &process)) {
        trace(L"cannot start", program, GetLastError());
        return false;
    }
    CloseHandle(process.hThread);
    if (device_log::enabled())
        followExit(process.hProcess, program, process.dwProcessId);
    else
        CloseHandle(process.hProcess);
    return true;
}

int fireDueRegistrations()
{
    int started = 0;
    for (const auto& registration :
         dueAt(notification_db::timedRegistrations(), device_clock::now())) {
        // Removed before the start: the program may well register again.
        if (!notification_db::removeTimedRegistrationAt(registration.program, registration.when))
            continue;
        device_log::write((L"due\t" + registration.program).c_str());
        if (startRegisteredProgram(registration.program, device_services::TimedArgument))
            ++started;
    }
    return started;
}

int powerOn()
{
    device_log::write(L"power-on");
    int started = 0;
    for (const auto& registration : notification_db::eventRegistrations()) {
        if (registration.event != NOTIFICATION_EVENT_WAKEUP) continue;
        if (startRegisteredProgram(registration.program, device_services::WakeupArgument))
            ++started;
    }
    return started + fireDueRegistrations();
}

int serve(HANDLE shutdown, HANDLE powerOnRequest, HANDLE powerOnDone)
{
    // Both are auto-reset, as those who set them create them.
    ScopedHandle registrationsChanged(
        CreateEventW(nullptr, FALSE, FALSE, notification_db::ChangedEventName));
    ScopedHandle clockChanged(
        CreateEventW(nullptr, FALSE, FALSE, device_clock::ClockChangedEventName));
    if (!registrationsChanged || !clockChanged) return 1;

    const HANDLE wakeups[] = {shutdown, powerOnRequest, registrationsChanged.get(),
                              clockChanged.get()};
    for (;;) {
        fireDueRegistrations();
        DWORD wait = millisecondsUntilNextDue(notification_db::timedRegistrations(),
                                              device_clock::now());
        DWORD woken = WaitForMultipleObjects(static_cast<DWORD>(std::size(wakeups)), wakeups,
                                             FALSE, wait);
        if (woken == WAIT_OBJECT_0) return 0;
        if (woken == WAIT_OBJECT_0 + 1) {
            powerOn();
            SetEvent(powerOnDone);
        }
        if (woken == WAIT_FAILED) return 1;
        // A change, the clock, or the moment itself: look again.
    }
}

} // namespace notification_service
