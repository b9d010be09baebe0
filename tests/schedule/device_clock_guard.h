// Sets the device clock for one test and puts it back afterwards: the clock
// then runs on from where it would have been, and a stored offset that did
// not exist before is removed again.
#ifndef MORVANE_TESTS_SCHEDULE_DEVICE_CLOCK_GUARD_H
#define MORVANE_TESTS_SCHEDULE_DEVICE_CLOCK_GUARD_H

#include <windows.h>
#include <gtest/gtest.h>
#include "platform/device.h"
#include "platform/device_clock.h"
#include "platform/scoped.h"
#include "tests/support/test_support.h"

namespace test {

class DeviceClockGuard {
public:
    DeviceClockGuard()
    {
        FILETIME utc;
        GetSystemTimeAsFileTime(&utc);
        offset_ = static_cast<LONGLONG>(device_clock::now() - device_clock::toTicks(utc));

        ScopedKey key;
        hadStoredOffset_ = RegOpenKeyExW(HKEY_LOCAL_MACHINE, device_clock::ClockKey, 0, KEY_QUERY_VALUE,
                                         key.out()) == ERROR_SUCCESS &&
                           RegQueryValueExW(key.get(), device_clock::OffsetValue, nullptr, nullptr, nullptr,
                                            nullptr) == ERROR_SUCCESS;
    }

    ~DeviceClockGuard()
    {
        FILETIME utc;
        GetSystemTimeAsFileTime(&utc);
        const FILETIME restored =
            device_clock::fromTicks(device_clock::toTicks(utc) + static_cast<ULONGLONG>(offset_));
        SYSTEMTIME local;
        FileTimeToSystemTime(&restored, &local);
        ce::SetLocalTime(&local);
        if (!hadStoredOffset_)
            RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, device_clock::ClockKey, device_clock::OffsetValue);
    }

    // Sets the clock to this moment at once; ok() tells whether it took.
    explicit DeviceClockGuard(const SYSTEMTIME& now) : DeviceClockGuard() { ok_ = ce::SetLocalTime(&now) != FALSE; }
    bool ok() const { return ok_; }

    DeviceClockGuard(const DeviceClockGuard&) = delete;
    DeviceClockGuard& operator=(const DeviceClockGuard&) = delete;

    // Noon by default, far from a change of day while the test runs.
    void set(WORD year, WORD month, WORD day, WORD hour = 12, WORD minute = 0, WORD second = 0)
    {
        const SYSTEMTIME wanted = moment(year, month, day, hour, minute, second);
        ASSERT_TRUE(ce::SetLocalTime(&wanted));
    }

private:
    LONGLONG offset_ = 0;
    bool hadStoredOffset_ = false;
    bool ok_ = true;
};

} // namespace test

#endif
