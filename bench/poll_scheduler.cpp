// poll_scheduler.exe: the baseline of bench/device-idle.sh. It does the
// notification service's job the plain way: once a minute it reads the
// registrations and looks for one that is due. It starts nothing, so that it
// can run beside the real service.
#include "emulator/notification_service.h"
#include "platform/device_clock.h"
#include "platform/notification_db.h"

#include <windows.h>

namespace {

constexpr DWORD PollMilliseconds = 60 * 1000;

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    for (;;) {
        auto due = notification_service::dueAt(notification_db::timedRegistrations(),
                                               device_clock::now());
        if (!due.empty()) OutputDebugStringW(L"poll_scheduler: a registration is due\n");
        Sleep(PollMilliseconds);
    }
}
