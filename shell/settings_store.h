// Settings, usage counters, the last-run date and "NextScheduled": values of
// HKEY_LOCAL_MACHINE "Software\Quillon Software\Morvane". Nothing is cached:
// every read sees what any process of the program wrote last. The key itself
// stays open for the life of the process (see settings_store.cpp).
#ifndef MORVANE_SHELL_SETTINGS_STORE_H
#define MORVANE_SHELL_SETTINGS_STORE_H

#include "platform/scoped.h"
#include "platform/text.h"

#include <windows.h>

// The fixed size of a stored string value: 129 characters and the terminator.
constexpr DWORD StoredStringBytes = 260;
constexpr size_t StoredStringChars = StoredStringBytes / sizeof(wchar_t);

class SettingsStore {
public:
    SettingsStore();   // opens the key, creating it when it is missing
    virtual ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    DWORD getDword(const wchar_t* name);                 // 0 when missing or unreadable
    int setDword(const wchar_t* name, DWORD value);
    // Read and write under one lock shared by every process, so concurrent
    // increments are never lost. 4294967295 wraps to 0.
    int incrementCounter(const wchar_t* name);

    // Reads a string of at most 129 characters into buffer[130]; false when the
    // value is missing, empty or longer.
    int getString(const wchar_t* name, wchar_t* buffer);
    // Reads a string value of any length whole; false when missing, empty or
    // more than memory holds.
    int getString(const wchar_t* name, HeapText& text);
    // Whether the string value holds exactly text, of length characters,
    // read in one query whatever its length.
    int stringEquals(const wchar_t* name, const wchar_t* text, size_t length);
    // Writes text as a REG_SZ of exactly 260 bytes, zero-padded; a longer text
    // is written whole, never cut.
    int setString(const wchar_t* name, const wchar_t* text);
};

// The lock that incrementCounter takes, shared by every process of the
// program, held for a scope: several values read and written under it are
// one step for the others (a run claiming its day or its moment).
class SettingsLock {
public:
    SettingsLock();
    bool held() const { return lock_.held(); }

private:
    MutexLock lock_;
};

#endif
