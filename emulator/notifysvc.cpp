// notifysvc.exe: the device's notification service. The device starts it when
// it boots and it runs until the device goes down or is reset.
#include "emulator/device_services.h"
#include "emulator/notification_service.h"
#include "platform/scoped.h"

#include <windows.h>

namespace {

constexpr int AlreadyServing = 2;
constexpr int CannotServe = 1;

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    // Registered programs are named by drive-relative paths such as
    // \windows\mvlaunch.exe, which the device resolves on C:.
    SetCurrentDirectoryW(L"C:\\");

    // Owned while serving, so that whoever stops the service can wait for its end.
    ScopedHandle single(CreateMutexW(nullptr, TRUE, device_services::ServiceMutexName));
    if (!single) return CannotServe;
    if (GetLastError() == ERROR_ALREADY_EXISTS) return AlreadyServing;

    ScopedHandle shutdown(CreateEventW(nullptr, FALSE, FALSE, device_services::ShutdownRequestName));
    ScopedHandle powerOnRequest(
        CreateEventW(nullptr, FALSE, FALSE, device_services::PowerOnRequestName));
    ScopedHandle powerOnDone(CreateEventW(nullptr, FALSE, FALSE, device_services::PowerOnDoneName));
    ScopedHandle ready(CreateEventW(nullptr, TRUE, FALSE, device_services::ServiceReadyName));
    if (!shutdown || !powerOnRequest || !powerOnDone || !ready) return CannotServe;

    // Attached to the device's screen: Wine closes a virtual desktop that no
    // process uses, and the handheld's screen stays up while the device runs.
    GetDesktopWindow();

    SetEvent(ready.get());
    int result = notification_service::serve(shutdown.get(), powerOnRequest.get(),
                                             powerOnDone.get());
    ResetEvent(ready.get());
    ReleaseMutex(single.get());
    return result;
}
