#include "schedule/timed_claim.h"

#include <cstdio>
#include <cwchar>

namespace {

constexpr wchar_t NamesValue[] = L"NextScheduled";
constexpr wchar_t MomentValue[] = L"NextScheduledTime";
constexpr wchar_t ClaimValue[] = L"LastTimedRun";
// "YYYY-MM-DD HH:MM": registered moments fall on whole minutes.
constexpr int MomentChars = 16;

// The number of count digits at text, or -1.
int digits(const wchar_t* text, int count)
{
    int value = 0;
    for (int i = 0; i < count; ++i) {
        if (text[i] < L'0' || text[i] > L'9') return -1;
        value = value * 10 + (text[i] - L'0');
    }
    return value;
}

bool storeIfChanged(SettingsStore& settings, const wchar_t* name, const wchar_t* text, size_t length)
{
    return settings.stringEquals(name, text, length) || settings.setString(name, text);
}

} // namespace

bool formatMoment(const SYSTEMTIME& t, wchar_t (&text)[StoredStringChars])
{
    return swprintf(text, std::size(text), L"%04u-%02u-%02u %02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour,
                    t.wMinute) == MomentChars;
}

bool parseMoment(const wchar_t* text, SYSTEMTIME& moment)
{
    if (wcsnlen(text, MomentChars) < static_cast<size_t>(MomentChars)) return false;
    const int fields[] = {digits(text, 4), digits(text + 5, 2), digits(text + 8, 2), digits(text + 11, 2),
                          digits(text + 14, 2)};
    for (int field : fields)
        if (field < 0) return false;
    moment = SYSTEMTIME{};
    moment.wYear = static_cast<WORD>(fields[0]);
    moment.wMonth = static_cast<WORD>(fields[1]);
    moment.wDay = static_cast<WORD>(fields[2]);
    moment.wHour = static_cast<WORD>(fields[3]);
    moment.wMinute = static_cast<WORD>(fields[4]);
    return true;
}

void storeNextTimedRun(SettingsStore& settings, const SYSTEMTIME& when, const HeapText& names)
{
    wchar_t moment[StoredStringChars];
    if (!formatMoment(when, moment)) moment[0] = L'\0';
    SettingsLock lock;
    storeIfChanged(settings, NamesValue, names.c_str(), names.length());
    storeIfChanged(settings, MomentValue, moment, wcslen(moment));
}

bool claimTimedRun(SettingsStore& settings, HeapText& names, wchar_t (&moment)[StoredStringChars])
{
    moment[0] = L'\0';
    SettingsLock lock;
    if (!settings.getString(NamesValue, names)) return false;
    HeapText claim;
    if (!settings.getString(MomentValue, moment) || !claim.assign(moment) || !claim.append(L" ") ||
        !claim.append(names.c_str()))
        return true;
    if (settings.stringEquals(ClaimValue, claim.c_str(), claim.length())) return false;
    settings.setString(ClaimValue, claim.c_str());
    return true;
}

LastTimedRun::LastTimedRun(SettingsStore& settings)
{
    valid_ = settings.getString(ClaimValue, claim_) && claim_.length() > MomentChars &&
             parseMoment(claim_.c_str(), moment_);
}

bool LastTimedRun::ranOnce(const Command& command) const
{
    const Command::Schedule& schedule = command.schedule;
    if (!valid_ || schedule.recurrence != Recurrence::Once || schedule.onceYear != moment_.wYear ||
        schedule.onceMonth != moment_.wMonth || schedule.onceDay != moment_.wDay ||
        schedule.runTime.wHour != moment_.wHour || schedule.runTime.wMinute != moment_.wMinute)
        return false;
    const wchar_t* name = command.commandName;
    const int nameLength = static_cast<int>(boundedLength(name, PathCapacity));
    for (const wchar_t* start = claim_.c_str() + MomentChars + 1;;) {
        const wchar_t* end = wcschr(start, L';');
        const int length = end ? static_cast<int>(end - start) : static_cast<int>(wcslen(start));
        if (CompareStringOrdinal(start, length, name, nameLength, TRUE) == CSTR_EQUAL) return true;
        if (!end) return false;
        start = end + 1;
    }
}
