// The registrations as the device's own programs list and remove them (the
// notification service, devctl); apart from the calls a program makes
// (notify.cpp), so that no program that only registers carries the C++
// library these use.
#include "platform/notification_db.h"
#include "platform/device_clock.h"
#include "platform/scoped.h"

#include <cwchar>
#include <iterator>

namespace {

bool sameMoment(const SYSTEMTIME& a, const SYSTEMTIME& b)
{
    return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay && a.wHour == b.wHour &&
           a.wMinute == b.wMinute && a.wSecond == b.wSecond;
}

} // namespace

namespace notification_db {

std::vector<EventRegistration> eventRegistrations()
{
    std::vector<EventRegistration> result;
    ScopedKey events;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, EventsSubkey, 0, KEY_ENUMERATE_SUB_KEYS, events.out()) !=
        ERROR_SUCCESS)
        return result;
    for (DWORD i = 0;; ++i) {
        wchar_t eventName[32];
        DWORD length = static_cast<DWORD>(std::size(eventName));
        if (RegEnumKeyExW(events.get(), i, eventName, &length, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS)
            break;
        ScopedKey event;
        if (RegOpenKeyExW(events.get(), eventName, 0, KEY_QUERY_VALUE, event.out()) !=
            ERROR_SUCCESS)
            continue;
        for (DWORD j = 0;; ++j) {
            wchar_t program[MAX_PATH];
            DWORD programLength = static_cast<DWORD>(std::size(program));
            if (RegEnumValueW(event.get(), j, program, &programLength, nullptr, nullptr, nullptr,
                              nullptr) != ERROR_SUCCESS)
                break;
            result.push_back({program, wcstol(eventName, nullptr, 10)});
        }
    }
    return result;
}

std::vector<TimedRegistration> timedRegistrations()
{
    std::vector<TimedRegistration> result;
    ScopedKey timed;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, TimedSubkey, 0, KEY_QUERY_VALUE, timed.out()) !=
        ERROR_SUCCESS)
        return result;
    for (DWORD i = 0;; ++i) {
        wchar_t program[MAX_PATH];
        DWORD programLength = static_cast<DWORD>(std::size(program));
        SYSTEMTIME when{};
        DWORD type = 0, size = sizeof when;
        LONG r = RegEnumValueW(timed.get(), i, program, &programLength, nullptr, &type,
                               reinterpret_cast<BYTE*>(&when), &size);
        // A value too long for a registration is not one.
        if (r == ERROR_MORE_DATA) continue;
        // Anything else ends the list: once the key is deleted (every
        // registration cleared) each further index fails too, and the list
        // would go on for four billion of them.
        if (r != ERROR_SUCCESS) break;
        // A value that is not a valid moment is not a registration.
        if (type != REG_BINARY || size != sizeof when || !device_clock::isValid(when)) continue;
        result.push_back({program, when});
    }
    return result;
}

bool removeTimedRegistration(const std::wstring& program)
{
    ScopedKey timed;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, TimedSubkey, 0, KEY_SET_VALUE, timed.out()) !=
        ERROR_SUCCESS)
        return false;
    bool ok = RegDeleteValueW(timed.get(), program.c_str()) == ERROR_SUCCESS;
    signalChange();
    return ok;
}

bool removeTimedRegistrationAt(const std::wstring& program, const SYSTEMTIME& when)
{
    MutexLock lock(databaseLock());
    ScopedKey timed;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, TimedSubkey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                      timed.out()) != ERROR_SUCCESS)
        return false;
    SYSTEMTIME stored{};
    DWORD type = 0, size = sizeof stored;
    if (RegQueryValueExW(timed.get(), program.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(&stored), &size) != ERROR_SUCCESS ||
        type != REG_BINARY || size != sizeof stored || !sameMoment(stored, when))
        return false;
    bool removed = RegDeleteValueW(timed.get(), program.c_str()) == ERROR_SUCCESS;
    signalChange();
    return removed;
}

} // namespace notification_db
