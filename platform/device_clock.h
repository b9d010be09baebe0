// The device clock: host UTC plus an offset the device keeps in its registry,
// so it is unaffected by the host's time zone and daylight-saving changes.
// Every process maps one shared copy of the offset; setting the clock updates
// both and sets ClockChangedEventName.
#ifndef MORVANE_PLATFORM_DEVICE_CLOCK_H
#define MORVANE_PLATFORM_DEVICE_CLOCK_H

#include <windows.h>

namespace device_clock {

constexpr wchar_t ClockKey[]              = L"Software\\Device\\Clock";
constexpr wchar_t OffsetValue[]           = L"Offset";   // REG_QWORD, 100 ns units
constexpr wchar_t ClockChangedEventName[] = L"DeviceClockChanged";

// A FILETIME as one number of 100 ns units, and back.
inline ULONGLONG toTicks(const FILETIME& ft)
{
    return (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

inline FILETIME fromTicks(ULONGLONG ticks)
{
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(ticks);
    ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return ft;
}

// Device local time as a FILETIME value (100 ns units).
ULONGLONG now();

// A new device keeps the host's present offset from UTC, so that its clock
// starts at local time; a clock that was set already is left alone.
bool storeInitialOffset();

// Whether t names a real moment of the Gregorian calendar. The host's
// SystemTimeToFileTime takes 29 February of any year, so the device checks
// dates itself.
bool isValid(const SYSTEMTIME& t);

} // namespace device_clock

#endif
