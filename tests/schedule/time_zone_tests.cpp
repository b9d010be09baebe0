// Registrations are moments of the device clock, which is host UTC plus the
// device's own offset: a host that changes its time zone or daylight-saving
// time moves neither the clock nor a registered moment. The test runs a copy
// of itself as a Wine process of the same device under other host time zones
// (the zone is the Unix TZ of the process, so the copy is started through the
// test runner, with TZ in its environment).
#include "platform/device.h"
#include "platform/device_clock.h"
#include "platform/notification_db.h"
#include "platform/scoped.h"
#include "schedule/scheduler.h"
#include "shell/app_state.h"
#include "tests/schedule/device_clock_guard.h"
#include "tests/schedule/timed_commands.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace schedule_test;

constexpr wchar_t ReportKey[] = L"Software\\MorvaneTests\\TimeZone";

// Local time minus UTC of this process's host zone, in minutes.
int hostOffsetMinutes()
{
    SYSTEMTIME utc, local;
    ::GetSystemTime(&utc);
    SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
    FILETIME u, l;
    SystemTimeToFileTime(&utc, &u);
    SystemTimeToFileTime(&local, &l);
    LONGLONG diff = static_cast<LONGLONG>(device_clock::toTicks(l) - device_clock::toTicks(u));
    return static_cast<int>(diff / 600000000LL);
}

DWORD packMoment(const SYSTEMTIME& t)
{
    return ((t.wYear * 13u + t.wMonth) * 32u + t.wDay) * 1440u + t.wHour * 60u + t.wMinute;
}

void report(const wchar_t* name, DWORD value)
{
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, ReportKey, name, REG_DWORD, &value, sizeof value);
}

bool reported(const wchar_t* name, DWORD& value)
{
    DWORD bytes = sizeof value;
    return RegGetValueW(HKEY_LOCAL_MACHINE, ReportKey, name, RRF_RT_REG_DWORD, nullptr, &value, &bytes) ==
           ERROR_SUCCESS;
}

// The copy in the other zone: what it sees of the host and the device, and
// the registration it makes itself.
int timeZoneChild(const std::wstring&)
{
    instanceHandle = GetModuleHandleW(nullptr);
    report(L"HostOffset", static_cast<DWORD>(hostOffsetMinutes() + 24 * 60));
    SYSTEMTIME device;
    ce::GetLocalTime(&device);
    report(L"DeviceNow", packMoment(device));
    SYSTEMTIME registered{};
    report(L"RegisteredBefore", launcherRegistration(registered) ? packMoment(registered) : 0);
    Scheduler().ScheduleNextRun();
    report(L"Done", 1);
    return 0;
}
TEST_CHILD_MODE(L"time-zone", timeZoneChild);

// This process's environment block, freed at the end of the scope.
struct ScopedEnvironment {
    ScopedEnvironment() : strings(GetEnvironmentStringsW()) {}
    ~ScopedEnvironment() { if (strings) FreeEnvironmentStringsW(strings); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    wchar_t* strings;
};

// Starts the copy through the test runner with TZ=zone. Wine starts the
// runner as a Unix program, so there is no process handle to wait on: the
// copy's report says when it is done.
bool runInZone(const wchar_t* zone)
{
    std::vector<wchar_t> environment;
    ScopedEnvironment current;
    for (const wchar_t* entry = current.strings; entry && *entry; entry += wcslen(entry) + 1) {
        if (_wcsnicmp(entry, L"TZ=", 3) == 0) continue;
        environment.insert(environment.end(), entry, entry + wcslen(entry) + 1);
    }
    std::wstring tz = std::wstring(L"TZ=") + zone;
    environment.insert(environment.end(), tz.c_str(), tz.c_str() + tz.size() + 1);
    environment.push_back(L'\0');

    // The runner lies on drive Z:, out of the device's reach: a desktop start.
    const std::wstring runner = test::hostPath(WINE_RUN_PATH);
    std::wstring arguments = L"\"" + runner + L"\" \"" + test::thisExe() + L"\" --child time-zone";
    std::vector<wchar_t> line(arguments.begin(), arguments.end());
    line.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(runner.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                        environment.data(), nullptr, &startup, &process)) {
        ADD_FAILURE() << "the runner did not start: " << GetLastError();
        return false;
    }
    if (process.hThread) CloseHandle(process.hThread);
    if (process.hProcess) CloseHandle(process.hProcess);
    DWORD done = 0;
    return test::waitUntil([&done] { return reported(L"Done", done); });
}

class TimeZones : public testing::Test {
protected:
    void SetUp() override
    {
        instanceHandle = GetModuleHandleW(nullptr);
        test::deleteMachineKey(ReportKey);
        test::deleteMachineKey(notification_db::RegistrationsKey);
        removeCommandFile();
    }
    void TearDown() override
    {
        test::deleteMachineKey(ReportKey);
        test::deleteMachineKey(notification_db::RegistrationsKey);
        removeCommandFile();
    }
};

TEST_F(TimeZones, HostZoneChangesMoveNeitherTheDeviceClockNorARegisteredMoment)
{
    // 21:30 on the device: nine hours either way would cross midnight.
    const SYSTEMTIME deviceNow = moment(2031, 5, 6, 21, 30);
    test::DeviceClockGuard clock(deviceNow);
    ASSERT_TRUE(clock.ok());
    appendAll({timedCommand(L"Nightly", Recurrence::Daily, 22, 0)});
    Scheduler().ScheduleNextRun();
    SYSTEMTIME before;
    ASSERT_TRUE(launcherRegistration(before));
    ASSERT_EQ(packMoment(moment(2031, 5, 6, 22, 0)), packMoment(before));

    const int ownOffset = hostOffsetMinutes();
    const struct {
        const wchar_t* zone;
        int offsets[2];   // standard and daylight-saving time
    } zones[] = {{L"Asia/Tokyo", {540, 540}}, {L"America/New_York", {-300, -240}}};
    for (const auto& z : zones) {
        test::deleteMachineKey(ReportKey);
        ASSERT_TRUE(runInZone(z.zone)) << "no report from the copy in " << testing::PrintToString(std::wstring(z.zone));
        DWORD hostOffset = 0, deviceSeen = 0, registeredSeen = 0;
        ASSERT_TRUE(reported(L"HostOffset", hostOffset));
        ASSERT_TRUE(reported(L"DeviceNow", deviceSeen));
        ASSERT_TRUE(reported(L"RegisteredBefore", registeredSeen));

        // The zone took effect on the host side of the copy...
        const int childOffset = static_cast<int>(hostOffset) - 24 * 60;
        EXPECT_TRUE(childOffset == z.offsets[0] || childOffset == z.offsets[1]) << childOffset;
        EXPECT_NE(ownOffset, childOffset);
        // ...but not on the device clock, which reads what this process set
        // (a few minutes may pass on a busy machine)...
        EXPECT_GE(deviceSeen, packMoment(deviceNow));
        EXPECT_LE(deviceSeen, packMoment(deviceNow) + 10);
        // ...nor on the moment registered before, nor on the one it registered.
        EXPECT_EQ(packMoment(before), registeredSeen);
        SYSTEMTIME after;
        ASSERT_TRUE(launcherRegistration(after));
        EXPECT_EQ(packMoment(before), packMoment(after));
    }
}

} // namespace
