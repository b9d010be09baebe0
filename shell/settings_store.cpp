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

// The key, opened (created when missing) by the first store of the process
// and kept for its life: every opening and closing of a key is a trip to the
// registry, and the scheduler and the runner use the store many times in a
// row. Nothing is read ahead: each value is read at the moment it is asked
// for. The processes of the program have one thread.
HKEY keptKey = nullptr;

HKEY openSettingsKey()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, SettingsKeyPath, 0, SettingsAccess, &key) == ERROR_SUCCESS) return key;
    DWORD disposition;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, SettingsKeyPath, 0, nullptr, 0, SettingsAccess, nullptr, &key,
                        &disposition) == ERROR_SUCCESS)
        return key;
    return nullptr;
}

// Runs operation(key) on the kept key; when the key was deleted meanwhile
// (a restore, a test), which leaves the kept handle on a deleted key, it is
// opened, and so created, again and the operation repeated.
template <typename Operation>
LONG onSettingsKey(Operation operation)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!keptKey && !(keptKey = openSettingsKey())) return ERROR_CANTOPEN;
        LONG r = operation(keptKey);
        if (r != ERROR_KEY_DELETED) return r;
        RegCloseKey(keptKey);
        keptKey = nullptr;
    }
    return ERROR_KEY_DELETED;
}

LONG queryValue(const wchar_t* name, DWORD* type, void* data, DWORD* size)
{
    return onSettingsKey([&](HKEY key) {
        return RegQueryValueExW(key, name, nullptr, type, static_cast<BYTE*>(data), size);
    });
}

LONG setValue(const wchar_t* name, DWORD type, const void* data, DWORD size)
{
    return onSettingsKey([&](HKEY key) {
        return RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    });
}

} // namespace

SettingsStore::SettingsStore()
{
    if (!keptKey) keptKey = openSettingsKey();
}

SettingsStore::~SettingsStore() = default;

DWORD SettingsStore::getDword(const wchar_t* name)
{
    // A value of another type counts when it fits in 4 bytes; shorter data is
    // padded with zero bytes.
    DWORD value = 0;
    DWORD type = REG_DWORD, size = sizeof value;
    if (queryValue(name, &type, &value, &size) != ERROR_SUCCESS) return 0;
    return value;
}

int SettingsStore::setDword(const wchar_t* name, DWORD value)
{
    return setValue(name, REG_DWORD, &value, sizeof value) == ERROR_SUCCESS;
}

// Opened once for the life of the process: a run counts every command.
static HANDLE settingsMutex()
{
    static HANDLE mutex;
    return keptHandle(mutex, [] { return CreateMutexW(nullptr, FALSE, CounterMutexName); });
}

SettingsLock::SettingsLock() : lock_(settingsMutex()) {}

int SettingsStore::incrementCounter(const wchar_t* name)
{
    SettingsLock lock;
    return setDword(name, getDword(name) + 1);
}

int SettingsStore::getString(const wchar_t* name, wchar_t* buffer)
{
    buffer[0] = L'\0';
    DWORD type = REG_SZ, size = StoredStringBytes;
    if (queryValue(name, &type, buffer, &size) != ERROR_SUCCESS) return 0;
    // A value written without its terminator still ends inside the buffer.
    size_t chars = size / sizeof(wchar_t);
    buffer[chars < StoredStringChars ? chars : StoredStringChars - 1] = L'\0';
    return buffer[0] != L'\0';
}

int SettingsStore::getString(const wchar_t* name, HeapText& text)
{
    text.clear();
    // The value may grow between the size query and the read: ask again.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = REG_SZ, size = 0;
        if (queryValue(name, &type, nullptr, &size) != ERROR_SUCCESS ||
            size > LongestStringBytes)
            return 0;
        const size_t chars = size / sizeof(wchar_t) + 1;
        ScopedHeapMemory<wchar_t> data = heapArray<wchar_t>(chars);
        if (!data) return 0;
        wchar_t* characters = data.get();
        characters[chars - 1] = L'\0';
        DWORD got = size;
        LONG r = queryValue(name, &type, characters, &got);
        if (r == ERROR_MORE_DATA) continue;
        if (r != ERROR_SUCCESS) return 0;
        characters[got / sizeof(wchar_t) < chars ? got / sizeof(wchar_t) : chars - 1] = L'\0';
        return text.assign(characters) && !text.empty();
    }
    return 0;
}

int SettingsStore::stringEquals(const wchar_t* name, const wchar_t* text, size_t length)
{
    if (length > LongestStringBytes / sizeof(wchar_t)) return 0;
    // Room for the text, its terminator and one more character, so that a
    // longer value does not fit; at least the fixed size, which a short text
    // is stored in.
    const size_t chars = length + 2 > StoredStringChars + 1 ? length + 2 : StoredStringChars + 1;
    ScopedHeapMemory<wchar_t> data = heapArray<wchar_t>(chars + 1);
    if (!data) return 0;
    DWORD type = REG_SZ, size = static_cast<DWORD>(chars * sizeof(wchar_t));
    if (queryValue(name, &type, data.get(), &size) != ERROR_SUCCESS) return 0;   // missing, or longer than text
    data.get()[size / sizeof(wchar_t)] = L'\0';
    return wcslen(data.get()) == length && wmemcmp(data.get(), text, length) == 0;
}

int SettingsStore::setString(const wchar_t* name, const wchar_t* text)
{
    size_t length = wcslen(text);
    if (length < StoredStringChars) {
        // The stored form is always 260 bytes; what follows the string is zero
        // rather than whatever lay beyond it in the caller's memory.
        wchar_t padded[StoredStringChars] = {};
        wmemcpy(padded, text, length);
        return setValue(name, REG_SZ, padded, StoredStringBytes) == ERROR_SUCCESS;
    }
    DWORD bytes = static_cast<DWORD>((length + 1) * sizeof(wchar_t));
    if (bytes > LongestStringBytes) return 0;
    return setValue(name, REG_SZ, text, bytes) == ERROR_SUCCESS;
}
