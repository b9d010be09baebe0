// Notification registrations, kept in the device registry (notification_db.h)
// and served by the device's notification service.
#include "platform/notify.h"
#include "platform/device_clock.h"
#include "platform/notification_db.h"
#include "platform/scoped.h"

#include <cwchar>

namespace {

constexpr REGSAM ReadWrite = KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_ENUMERATE_SUB_KEYS;

bool openOrCreate(const wchar_t* path, REGSAM access, ScopedKey& key)
{
    return RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, access, nullptr, key.out(),
                           nullptr) == ERROR_SUCCESS;
}

// The timed registrations' key, also kept open for the life of the process
// (each process uses it from one thread) and opened again when the registrations were
// wiped meanwhile, which leaves an open handle on a deleted key.
template <typename Operation>
LONG onTimedKey(Operation operation)
{
    static HKEY timed = nullptr;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!timed && RegCreateKeyExW(HKEY_LOCAL_MACHINE, notification_db::TimedSubkey, 0, nullptr, 0,
                                      KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &timed, nullptr) !=
                          ERROR_SUCCESS) {
            timed = nullptr;
            return ERROR_CANTOPEN;
        }
        LONG r = operation(timed);
        if (r != ERROR_KEY_DELETED) return r;
        RegCloseKey(timed);
        timed = nullptr;
    }
    return ERROR_KEY_DELETED;
}

HANDLE changeEvent()
{
    static HANDLE changed;
    return keptHandle(changed,
                      [] { return CreateEventW(nullptr, FALSE, FALSE, notification_db::ChangedEventName); });
}

bool validProgram(const wchar_t* program)
{
    return program && *program && wcslen(program) < MAX_PATH;
}

// Removes the program from every event; true when it had any registration.
bool removeFromAllEvents(const wchar_t* program)
{
    ScopedKey events;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, notification_db::EventsSubkey, 0,
                      KEY_ENUMERATE_SUB_KEYS, events.out()) != ERROR_SUCCESS)
        return false;   // nothing registered at all
    bool removed = false;
    for (DWORD i = 0;; ++i) {
        wchar_t name[32];
        DWORD length = static_cast<DWORD>(std::size(name));
        if (RegEnumKeyExW(events.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        ScopedKey event;
        if (RegOpenKeyExW(events.get(), name, 0, KEY_SET_VALUE, event.out()) == ERROR_SUCCESS &&
            RegDeleteValueW(event.get(), program) == ERROR_SUCCESS)
            removed = true;
    }
    return removed;
}

} // namespace

BOOL CeRunAppAtEvent(const wchar_t* pwszAppName, LONG lWhichEvent)
{
    if (!validProgram(pwszAppName) || lWhichEvent < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    bool ok = true;
    if (lWhichEvent == NOTIFICATION_EVENT_NONE) {
        // Removing what was not registered changes nothing to wake up for.
        if (!removeFromAllEvents(pwszAppName)) return TRUE;
    } else {
        wchar_t path[128];
        swprintf(path, std::size(path), L"%ls\\%ld", notification_db::EventsSubkey, lWhichEvent);
        ScopedKey event;
        DWORD one = 1;
        ok = openOrCreate(path, ReadWrite, event) &&
             RegSetValueExW(event.get(), pwszAppName, 0, REG_DWORD,
                            reinterpret_cast<const BYTE*>(&one), sizeof one) == ERROR_SUCCESS;
    }
    notification_db::signalChange();
    return ok ? TRUE : FALSE;
}

BOOL CeRunAppAtTime(const wchar_t* pwszAppName, const SYSTEMTIME* lpTime)
{
    if (!validProgram(pwszAppName)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (lpTime && !device_clock::isValid(*lpTime)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // A removal is safe against the service's own removal of what fired; only
    // a new moment must not land between the service's look and its removal.
    MutexLock lock(lpTime ? notification_db::databaseLock() : nullptr);
    bool ok;
    if (!lpTime) {
        LONG r = onTimedKey([&](HKEY timed) { return RegDeleteValueW(timed, pwszAppName); });
        // Cancelling what was not registered changes nothing to wake up for.
        if (r == ERROR_FILE_NOT_FOUND) return TRUE;
        ok = r == ERROR_SUCCESS;
    } else {
        // Only the moment is kept; the day of week is the caller's business.
        SYSTEMTIME when = *lpTime;
        when.wMilliseconds = 0;
        ok = onTimedKey([&](HKEY timed) {
                 return RegSetValueExW(timed, pwszAppName, 0, REG_BINARY,
                                       reinterpret_cast<const BYTE*>(&when), sizeof when);
             }) == ERROR_SUCCESS;
    }
    notification_db::signalChange();
    return ok ? TRUE : FALSE;
}

BOOL GetRunAppAtTime(const wchar_t* pwszAppName, SYSTEMTIME* lpTime)
{
    if (!validProgram(pwszAppName) || !lpTime) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    SYSTEMTIME stored{};
    DWORD type = 0, size = sizeof stored;
    LONG r = onTimedKey([&](HKEY timed) {
        return RegQueryValueExW(timed, pwszAppName, nullptr, &type, reinterpret_cast<BYTE*>(&stored), &size);
    });
    // A value that is not a valid moment is no registration: the service never fires it.
    if (r != ERROR_SUCCESS || type != REG_BINARY || size != sizeof stored || !device_clock::isValid(stored))
        return FALSE;
    *lpTime = stored;
    return TRUE;
}

namespace notification_db {

// Serialises changes of the timed registrations between the programs that
// register and the service that removes what fired. Opened once and kept
// for the life of the process: every opening of a named object is a trip to
// the server, and the scheduler makes several calls in a row.
HANDLE databaseLock()
{
    static HANDLE lock;
    return keptHandle(lock, [] { return CreateMutexW(nullptr, FALSE, LockName); });
}

void signalChange()
{
    if (HANDLE changed = changeEvent()) SetEvent(changed);
}

} // namespace notification_db
