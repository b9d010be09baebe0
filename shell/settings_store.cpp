#include "shell/settings_store.h"
#include "platform/scoped.h"

#include <cwchar>

namespace {

constexpr wchar_t SettingsKeyPath[] = L"Software\\Quillon Software\\Morvane";
constexpr wchar_t CounterMutexName[] = L"MorvaneSettingsCounters";

// The handheld ignores the access argument; here each operation needs its rights.
constexpr REGSAM SettingsAccess = KEY_QUERY_VALUE | KEY_SET_VALUE;

// Longest string value read whole; a value beyond it is not ours.
constexpr DWORD LongestStringBytes = 1u << 20;

} // namespace

SettingsStore::SettingsStore()
{
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, SettingsKeyPath, 0, SettingsAccess, &settingsKey) !=
        ERROR_SUCCESS) {
        settingsKey = nullptr;
        DWORD disposition;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, SettingsKeyPath, 0, nullptr, 0, SettingsAccess,
                            nullptr, &settingsKey, &disposition) != ERROR_SUCCESS)
            settingsKey = nullptr;
    }
}

SettingsStore::~SettingsStore()
{
    if (settingsKey) RegCloseKey(settingsKey);
}

DWORD SettingsStore::getDword(const wchar_t* name)
{
    // A value of another type counts when it fits in 4 bytes; shorter data is
    // padded with zero bytes.
    DWORD value = 0;
    DWORD type = REG_DWORD, size = sizeof value;
    if (!settingsKey ||
        RegQueryValueExW(settingsKey, name, nullptr, &type, reinterpret_cast<BYTE*>(&value),
                         &size) != ERROR_SUCCESS)
        return 0;
    return value;
}

int SettingsStore::setDword(const wchar_t* name, DWORD value)
{
    return settingsKey && RegSetValueExW(settingsKey, name, 0, REG_DWORD,
                                         reinterpret_cast<const BYTE*>(&value),
                                         sizeof value) == ERROR_SUCCESS;
}

int SettingsStore::incrementCounter(const wchar_t* name)
{
    // Opened once for the life of the process: a run counts every command.
    static HANDLE counterMutex;
    MutexLock lock(keptHandle(counterMutex, [] { return CreateMutexW(nullptr, FALSE, CounterMutexName); }));
    return setDword(name, getDword(name) + 1);
}

int SettingsStore::getString(const wchar_t* name, wchar_t* buffer)
{
    buffer[0] = L'\0';
    DWORD type = REG_SZ, size = StoredStringBytes;
    if (!settingsKey || RegQueryValueExW(settingsKey, name, nullptr, &type,
                                         reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
        return 0;
    // A value written without its terminator still ends inside the buffer.
    size_t chars = size / sizeof(wchar_t);
    buffer[chars < StoredStringChars ? chars : StoredStringChars - 1] = L'\0';
    return buffer[0] != L'\0';
}

int SettingsStore::getString(const wchar_t* name, HeapText& text)
{
    text.clear();
    if (!settingsKey) return 0;
    // The value may grow between the size query and the read: ask again.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = REG_SZ, size = 0;
        if (RegQueryValueExW(settingsKey, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
            size > LongestStringBytes)
            return 0;
        const size_t chars = size / sizeof(wchar_t) + 1;
        ScopedHeapMemory<wchar_t> data = heapArray<wchar_t>(chars);
        if (!data) return 0;
        wchar_t* characters = data.get();
        characters[chars - 1] = L'\0';
        DWORD got = size;
        LONG r = RegQueryValueExW(settingsKey, name, nullptr, &type, reinterpret_cast<BYTE*>(characters), &got);
        if (r == ERROR_MORE_DATA) continue;
        if (r != ERROR_SUCCESS) return 0;
        characters[got / sizeof(wchar_t) < chars ? got / sizeof(wchar_t) : chars - 1] = L'\0';
        return text.assign(characters) && !text.empty();
    }
    return 0;
}

int SettingsStore::setString(const wchar_t* name, const wchar_t* text)
{
    if (!settingsKey) return 0;
    size_t length = wcslen(text);
    if (length < StoredStringChars) {
        // The stored form is always 260 bytes; what follows the string is zero
        // rather than whatever lay beyond it in the caller's memory.
        wchar_t padded[StoredStringChars] = {};
        wmemcpy(padded, text, length);
        return RegSetValueExW(settingsKey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(padded),
                              StoredStringBytes) == ERROR_SUCCESS;
    }
    DWORD bytes = static_cast<DWORD>((length + 1) * sizeof(wchar_t));
    if (bytes > LongestStringBytes) return 0;
    return RegSetValueExW(settingsKey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          bytes) == ERROR_SUCCESS;
}
