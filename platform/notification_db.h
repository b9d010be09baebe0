// Where the notification services keep their registrations: a key of the
// device registry shared by every process, read by the notification service.
//
//   <RegistrationsKey>\Events\<event number>   value per program: REG_DWORD 1
//   <RegistrationsKey>\Timed                    value per program: REG_BINARY SYSTEMTIME (local)
//
// Value names are program paths as registered; the registry compares them
// without regard to case, as the device compares paths.
#ifndef MORVANE_PLATFORM_NOTIFICATION_DB_H
#define MORVANE_PLATFORM_NOTIFICATION_DB_H

#include <windows.h>
#include <string>
#include <vector>

namespace notification_db {

constexpr wchar_t RegistrationsKey[] = L"Software\\Device\\Notifications";
constexpr wchar_t EventsSubkey[]     = L"Software\\Device\\Notifications\\Events";
constexpr wchar_t TimedSubkey[]      = L"Software\\Device\\Notifications\\Timed";

// Held while a timed registration is written or removed.
constexpr wchar_t LockName[] = L"DeviceNotificationsLock";

// Set whenever a registration changes, so that the service recomputes its wait.
constexpr wchar_t ChangedEventName[] = L"DeviceNotificationsChanged";

struct EventRegistration {
    std::wstring program;
    LONG event;
};

struct TimedRegistration {
    std::wstring program;
    SYSTEMTIME when;
};

std::vector<EventRegistration> eventRegistrations();
std::vector<TimedRegistration> timedRegistrations();

// Removes one program's timed registration (the service does so once it fired).
bool removeTimedRegistration(const std::wstring& program);

// Removes a program's timed registration only while it still holds the moment
// `when` (to the second), so that one made again since then survives. True
// when it removed one.
bool removeTimedRegistrationAt(const std::wstring& program, const SYSTEMTIME& when);

// The lock held while a timed registration is written or removed (LockName),
// opened once per process.
HANDLE databaseLock();

// Wakes whoever waits on ChangedEventName.
void signalChange();

} // namespace notification_db

#endif
