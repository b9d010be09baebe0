#include "emulator/device_status.h"
#include "emulator/device_services.h"
#include "platform/device_clock.h"
#include "platform/notify.h"
#include "platform/scoped.h"

#include <cwchar>
#include <iterator>

namespace device_status {

namespace {

// Control characters would split a line; nothing a program stores needs them.
std::wstring printable(const std::wstring& text)
{
    std::wstring result = text;
    for (wchar_t& c : result)
        if (c < L' ' || c == 0x7F) c = L'?';
    return result;
}

bool readNumber(const std::wstring& text, size_t& position, size_t digits, WORD& value)
{
    value = 0;
    for (size_t i = 0; i < digits; ++i, ++position) {
        if (position >= text.size() || text[position] < L'0' || text[position] > L'9') return false;
        value = static_cast<WORD>(value * 10 + (text[position] - L'0'));
    }
    return true;
}

bool expect(const std::wstring& text, size_t& position, wchar_t c)
{
    if (position >= text.size() || text[position] != c) return false;
    ++position;
    return true;
}

} // namespace

std::wstring formatMoment(const SYSTEMTIME& moment)
{
    wchar_t text[32];
    swprintf(text, std::size(text), L"%04u-%02u-%02u %02u:%02u:%02u", moment.wYear, moment.wMonth,
             moment.wDay, moment.wHour, moment.wMinute, moment.wSecond);
    return text;
}

std::wstring parseMoment(const std::wstring& text, SYSTEMTIME& moment)
{
    SYSTEMTIME parsed{};
    size_t position = 0;
    bool shaped = readNumber(text, position, 4, parsed.wYear) && expect(text, position, L'-') &&
                  readNumber(text, position, 2, parsed.wMonth) && expect(text, position, L'-') &&
                  readNumber(text, position, 2, parsed.wDay) && expect(text, position, L' ') &&
                  readNumber(text, position, 2, parsed.wHour) && expect(text, position, L':') &&
                  readNumber(text, position, 2, parsed.wMinute);
    if (shaped && position < text.size())
        shaped = expect(text, position, L':') && readNumber(text, position, 2, parsed.wSecond);
    if (!shaped || position != text.size()) return L"expected \"YYYY-MM-DD HH:MM\"";
    if (!device_clock::isValid(parsed)) return L"there is no such moment";
    // The day of the week follows from the date.
    FILETIME ft;
    SystemTimeToFileTime(&parsed, &ft);
    FileTimeToSystemTime(&ft, &moment);
    return L"";
}

std::wstring nextScheduledLine()
{
    std::wstring line = L"NextScheduled ";
    ScopedKey settings;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, device_services::SettingsKeyPath, 0, KEY_QUERY_VALUE,
                      settings.out()) != ERROR_SUCCESS)
        return line + L"(not set)";
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(settings.get(), device_services::NextScheduledValue, nullptr, &type,
                         nullptr, &size) != ERROR_SUCCESS)
        return line + L"(not set)";
    if (type != REG_SZ && type != REG_EXPAND_SZ) return line + L"(not a string)";
    // Whatever its stored length: the program writes a fixed 260 bytes, and a
    // longer value must show in full.
    std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
    DWORD bytes = size;
    if (RegQueryValueExW(settings.get(), device_services::NextScheduledValue, nullptr, &type,
                         reinterpret_cast<BYTE*>(value.data()), &bytes) != ERROR_SUCCESS)
        return line + L"(unreadable)";
    value.resize(wcsnlen(value.c_str(), bytes / sizeof(wchar_t)));
    if (value.empty()) return line + L"(empty)";
    return line + printable(value);
}

std::wstring statusText(const SYSTEMTIME& clock,
                        const std::vector<notification_db::EventRegistration>& events,
                        const std::vector<notification_db::TimedRegistration>& timed,
                        const std::wstring& nextScheduled)
{
    std::wstring text = L"clock " + formatMoment(clock) + L"\n";
    if (events.empty()) text += L"no event registrations\n";
    for (const auto& registration : events) {
        text += L"event " + std::to_wstring(registration.event);
        if (registration.event == NOTIFICATION_EVENT_WAKEUP) text += L" wake-up";
        text += L" " + printable(registration.program) + L"\n";
    }
    if (timed.empty()) text += L"no timed registrations\n";
    for (const auto& registration : timed)
        text += L"timed " + formatMoment(registration.when) + L" " +
                printable(registration.program) + L"\n";
    text += nextScheduled + L"\n";
    return text;
}

} // namespace device_status
