// The device's own parts: the start-up folder, the notification service's
// decisions and its serving loop with real processes, and the status text.
#include "emulator/device_services.h"
#include "emulator/device_status.h"
#include "emulator/notification_service.h"
#include "emulator/startup_folder.h"
#include "platform/aygshell.h"
#include "platform/device.h"
#include "platform/device_clock.h"
#include "platform/notification_db.h"
#include "platform/notify.h"
#include "platform/scoped.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

using notification_db::TimedRegistration;

constexpr ULONGLONG TicksPerSecond = 10000000ULL;

using test::moment;

SYSTEMTIME deviceMomentIn(LONGLONG seconds)
{
    ULONGLONG ticks = device_clock::now() + static_cast<ULONGLONG>(seconds * 10000000LL);
    FILETIME ft{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME t;
    FileTimeToSystemTime(&ft, &t);
    t.wMilliseconds = 0;
    return t;
}

// ---- The device's own starts ---------------------------------------------------

// ---- Shortcut files --------------------------------------------------------

struct ShortcutCase {
    const char* bytes;
    const wchar_t* program;     // null: not a shortcut
    const wchar_t* arguments;
};

TEST(StartupShortcut, ReadsTheTextTheShellWrites)
{
    const ShortcutCase cases[] = {
        {"30#\"\\windows\\mvlaunch.exe\" -reset", L"\\windows\\mvlaunch.exe", L"-reset"},
        {"23#\\windows\\probe.exe a  b", L"\\windows\\probe.exe", L"a  b"},
        {"14#\\windows\\x.exe", L"\\windows\\x.exe", L""},
        {"30#\"\\Program Files\\A\\b.exe\"  x  y", L"\\Program Files\\A\\b.exe", L"x  y"},
        // Text after the declared length (a new line an editor added) is not the target's.
        {"14#\\windows\\x.exe\r\n", L"\\windows\\x.exe", L""},
    };
    for (const ShortcutCase& c : cases) {
        startup_folder::ShortcutTarget target;
        EXPECT_EQ(startup_folder::parseShortcut(c.bytes, target), L"") << c.bytes;
        EXPECT_EQ(target.program, c.program) << c.bytes;
        EXPECT_EQ(target.arguments, c.arguments) << c.bytes;
    }
}

TEST(StartupShortcut, RefusesTextThatIsNotAShortcut)
{
    const char* cases[] = {
        "",                          // empty file
        "\\windows\\x.exe",          // no length
        "#\\windows\\x.exe",         // no length before '#'
        "1x#\\windows\\x.exe",       // length not a number
        "99#\\windows\\x.exe",       // shorter than it says
        "9#\"\\a.exe x",             // quotes not closed
        "2#\"\"",                    // no program
        "9999999#x",                 // absurd length
    };
    for (const char* bytes : cases) {
        startup_folder::ShortcutTarget target;
        target.program = L"untouched";
        EXPECT_NE(startup_folder::parseShortcut(bytes, target), L"") << bytes;
        EXPECT_EQ(target.program, L"untouched") << bytes;
    }
}

TEST(StartupShortcut, ReadsUnicodeFilesWithAByteOrderMark)
{
    startup_folder::ShortcutTarget target;
    const char utf16[] = "\xFF\xFE" "5\0#\0\\\0x\0\xE9\0.\0e\0" "";
    // "5#\xé.e" in UTF-16: the length counts characters, not bytes.
    EXPECT_EQ(startup_folder::parseShortcut(std::string(utf16, sizeof utf16 - 1), target), L"");
    EXPECT_EQ(target.program, L"\\x\x00E9.e");
    EXPECT_EQ(startup_folder::parseShortcut("\xEF\xBB\xBF" "4#\\\xC3\xA9.e", target), L"");
    EXPECT_EQ(target.program, L"\\\x00E9.e");
}

TEST(StartupShortcut, ReadsWhatSHCreateShortcutWrote)
{
    test::ScratchFolder folder(L"lnk");
    std::wstring file = folder.file(L"Morvane.lnk");
    ASSERT_TRUE(SHCreateShortcut(file.c_str(), L"\"\\windows\\mvlaunch.exe\" -reset"));
    startup_folder::ShortcutTarget target;
    ASSERT_EQ(startup_folder::parseShortcut(test::readFileBytes(file), target), L"");
    EXPECT_EQ(target.program, L"\\windows\\mvlaunch.exe");
    EXPECT_EQ(target.arguments, L"-reset");
}

TEST(StartupFolder, StartsEveryShortcutAndReportsTheBrokenOnes)
{
    test::ScratchFolder folder(L"startup");
    std::wstring probe = folder.file(L"probe.exe");
    ASSERT_TRUE(CopyFileW(test::probeExe().c_str(), probe.c_str(), FALSE));
    std::wstring quoted = L"\"" + probe + L"\"";
    ASSERT_TRUE(SHCreateShortcut(folder.file(L"a.lnk").c_str(), (quoted + L" first").c_str()));
    ASSERT_TRUE(test::writeFileBytes(folder.file(L"b.lnk"), "garbage"));
    ASSERT_TRUE(SHCreateShortcut(folder.file(L"c.lnk").c_str(), L"\\no\\such\\program.exe"));
    ASSERT_TRUE(SHCreateShortcut(folder.file(L"d.txt").c_str(), (quoted + L" not a shortcut").c_str()));
    ASSERT_TRUE(SHCreateShortcut(folder.file(L"e.lnk").c_str(), (quoted + L" second  one").c_str()));

    startup_folder::StartupResult result = startup_folder::runStartupFolder(folder.path());
    EXPECT_EQ(result.started, 2);
    ASSERT_EQ(result.problems.size(), 2u);
    EXPECT_NE(result.problems[0].find(L"b.lnk: not a shortcut"), std::wstring::npos);
    EXPECT_NE(result.problems[1].find(L"c.lnk: cannot start"), std::wstring::npos);

    std::wstring log = folder.file(L"probe.log");
    ASSERT_TRUE(test::waitUntil([&] {
        std::wstring text = test::readFileText(log);
        return text.find(L"[first]") != std::wstring::npos &&
               text.find(L"[second  one]") != std::wstring::npos;
    }, 20000));
    EXPECT_EQ(test::readFileText(log).find(L"not a shortcut"), std::wstring::npos);
}

// ---- When registrations are due -------------------------------------------

TEST(DueRegistrations, MomentsAreFileTimes)
{
    EXPECT_EQ(notification_service::ticksOf(moment(1601, 1, 1, 0, 0)), 0ULL);
    EXPECT_EQ(notification_service::ticksOf(moment(2000, 1, 1, 0, 0)), 125911584000000000ULL);
}

TEST(DueRegistrations, DueAreThoseAtOrBeforeNowEarliestFirst)
{
    std::vector<TimedRegistration> registrations = {
        {L"\\ten.exe", moment(2024, 5, 1, 10, 0)},
        {L"\\nine.exe", moment(2024, 5, 1, 9, 0)},
        {L"\\eleven.exe", moment(2024, 5, 1, 11, 0)},
    };
    ULONGLONG now = notification_service::ticksOf(moment(2024, 5, 1, 10, 0));
    auto due = notification_service::dueAt(registrations, now);
    ASSERT_EQ(due.size(), 2u);
    EXPECT_EQ(due[0].program, L"\\nine.exe");
    EXPECT_EQ(due[1].program, L"\\ten.exe");
    EXPECT_TRUE(notification_service::dueAt(registrations, now - 1).size() == 1);
}

TEST(DueRegistrations, SleepsUntilTheEarliestMomentAheadRoundedUp)
{
    ULONGLONG ten = notification_service::ticksOf(moment(2024, 5, 1, 10, 0));
    std::vector<TimedRegistration> registrations = {
        {L"\\past.exe", moment(2024, 5, 1, 9, 0)},
        {L"\\soon.exe", moment(2024, 5, 1, 10, 0, 1)},
        {L"\\later.exe", moment(2024, 5, 1, 10, 5)},
    };
    // Half a millisecond past ten: 999.5 ms to go, rounded up.
    EXPECT_EQ(notification_service::millisecondsUntilNextDue(registrations, ten + 5000), 1000u);
    EXPECT_EQ(notification_service::millisecondsUntilNextDue(registrations, ten), 1000u);
    // Nothing ahead: no timeout at all, whatever is past.
    EXPECT_EQ(notification_service::millisecondsUntilNextDue({registrations[0]}, ten), INFINITE);
    EXPECT_EQ(notification_service::millisecondsUntilNextDue({}, ten), INFINITE);
    // Years ahead: the longest sleep there is, never INFINITE.
    std::vector<TimedRegistration> distant = {{L"\\distant.exe", moment(2030, 1, 1, 0, 0)}};
    EXPECT_EQ(notification_service::millisecondsUntilNextDue(distant, ten),
              notification_service::LongestWait);
}

// ---- The service against the registry and real processes ------------------

// Keeps the test prefix's registrations out of the way and puts them back.
class ServiceTest : public testing::Test {
protected:
    void SetUp() override
    {
        saved_ = {notification_db::eventRegistrations(), notification_db::timedRegistrations()};
        clearAll();
        probes_ = std::make_unique<test::ScratchFolder>(L"svc");
    }

    void TearDown() override
    {
        probes_.reset();
        clearAll();
        for (const auto& r : saved_.events) CeRunAppAtEvent(r.program.c_str(), r.event);
        for (const auto& r : saved_.timed) CeRunAppAtTime(r.program.c_str(), &r.when);
    }

    static void clearAll()
    {
        test::deleteMachineKey(notification_db::EventsSubkey);
        test::deleteMachineKey(notification_db::TimedSubkey);
    }

    // A copy of probe.exe in its own folder; its log is log(name).
    std::wstring probe(const std::wstring& name)
    {
        std::wstring folder = probes_->file(name);
        CreateDirectoryW(folder.c_str(), nullptr);
        std::wstring path = folder + L"\\probe.exe";
        EXPECT_TRUE(CopyFileW(test::probeExe().c_str(), path.c_str(), FALSE));
        return path;
    }

    std::wstring log(const std::wstring& name) { return probes_->file(name) + L"\\probe.log"; }

    bool logged(const std::wstring& name, const wchar_t* line, DWORD timeoutMs = test::MachineWaitMs)
    {
        return test::waitUntil([&] {
            return test::readFileText(log(name)).find(line) != std::wstring::npos;
        }, timeoutMs);
    }

    bool timedRegistered(const std::wstring& program)
    {
        for (const auto& r : notification_db::timedRegistrations())
            if (_wcsicmp(r.program.c_str(), program.c_str()) == 0) return true;
        return false;
    }

private:
    struct Saved {
        std::vector<notification_db::EventRegistration> events;
        std::vector<TimedRegistration> timed;
    } saved_;
    std::unique_ptr<test::ScratchFolder> probes_;
};

TEST_F(ServiceTest, RemovesARegistrationOnlyWhileItHoldsTheMomentThatFell)
{
    std::wstring program = probe(L"a");
    SYSTEMTIME first = moment(2024, 5, 1, 10, 0), second = moment(2024, 5, 2, 10, 0);
    ASSERT_TRUE(CeRunAppAtTime(program.c_str(), &second));
    EXPECT_FALSE(notification_db::removeTimedRegistrationAt(program, first));
    EXPECT_TRUE(timedRegistered(program));
    EXPECT_TRUE(notification_db::removeTimedRegistrationAt(program, second));
    EXPECT_FALSE(timedRegistered(program));
    EXPECT_FALSE(notification_db::removeTimedRegistrationAt(program, second));
}

TEST_F(ServiceTest, FiresWhatIsDueOnceWithAppRunAtTime)
{
    std::wstring due = probe(L"due"), ahead = probe(L"ahead");
    SYSTEMTIME past = deviceMomentIn(-60), later = deviceMomentIn(3600);
    ASSERT_TRUE(CeRunAppAtTime(due.c_str(), &past));
    ASSERT_TRUE(CeRunAppAtTime(ahead.c_str(), &later));

    EXPECT_EQ(notification_service::fireDueRegistrations(), 1);
    EXPECT_TRUE(logged(L"due", L"[AppRunAtTime]\n"));
    EXPECT_FALSE(timedRegistered(due));
    EXPECT_TRUE(timedRegistered(ahead));
    EXPECT_EQ(notification_service::fireDueRegistrations(), 0);
}

TEST_F(ServiceTest, ARegistrationWhoseProgramCannotStartIsStillUsedUp)
{
    std::wstring missing = probe(L"gone") + L".missing";
    SYSTEMTIME past = deviceMomentIn(-60);
    ASSERT_TRUE(CeRunAppAtTime(missing.c_str(), &past));
    EXPECT_EQ(notification_service::fireDueRegistrations(), 0);
    EXPECT_FALSE(timedRegistered(missing));
}

TEST_F(ServiceTest, PowerOnStartsTheWakeupProgramsAndWhatFellDue)
{
    std::wstring wake = probe(L"wake"), other = probe(L"other"), due = probe(L"due");
    ASSERT_TRUE(CeRunAppAtEvent(wake.c_str(), NOTIFICATION_EVENT_WAKEUP));
    ASSERT_TRUE(CeRunAppAtEvent(other.c_str(), 5));
    SYSTEMTIME past = deviceMomentIn(-60);
    ASSERT_TRUE(CeRunAppAtTime(due.c_str(), &past));

    EXPECT_EQ(notification_service::powerOn(), 2);
    EXPECT_TRUE(logged(L"wake", L"[AppRunAfterWakeup]\n"));
    EXPECT_TRUE(logged(L"due", L"[AppRunAtTime]\n"));
    // The wake-up registration stays for the next power-on.
    EXPECT_EQ(notification_db::eventRegistrations().size(), 2u);
}

TEST_F(ServiceTest, ServingFiresAtTheMomentAndAnswersThePowerButton)
{
    ScopedHandle shutdown(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    ScopedHandle request(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    ScopedHandle done(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    int result = -1;
    std::thread service([&] {
        result = notification_service::serve(shutdown.get(), request.get(), done.get());
    });

    // Registered while the service sleeps with nothing ahead: the change
    // wakes it, and it then sleeps until the moment.
    std::wstring soon = probe(L"soon");
    SYSTEMTIME inTwoSeconds = deviceMomentIn(2);
    ASSERT_TRUE(CeRunAppAtTime(soon.c_str(), &inTwoSeconds));
    EXPECT_TRUE(logged(L"soon", L"[AppRunAtTime]\n"));
    EXPECT_TRUE(test::waitUntil([&] { return !timedRegistered(soon); }));

    std::wstring wake = probe(L"wake");
    ASSERT_TRUE(CeRunAppAtEvent(wake.c_str(), NOTIFICATION_EVENT_WAKEUP));
    SetEvent(request.get());
    EXPECT_EQ(WaitForSingleObject(done.get(), test::MachineWaitMs), WAIT_OBJECT_0);
    EXPECT_TRUE(logged(L"wake", L"[AppRunAfterWakeup]\n"));

    SetEvent(shutdown.get());
    service.join();
    EXPECT_EQ(result, 0);
}

// ---- What `device status` and `device clock` show and take -----------------

TEST(DeviceStatus, MomentsAreWrittenAndReadInOneShape)
{
    EXPECT_EQ(device_status::formatMoment(moment(2024, 2, 29, 7, 5, 3)), L"2024-02-29 07:05:03");

    SYSTEMTIME t{};
    ASSERT_EQ(device_status::parseMoment(L"2024-02-29 23:59", t), L"");
    EXPECT_EQ(device_status::formatMoment(t), L"2024-02-29 23:59:00");
    EXPECT_EQ(t.wDayOfWeek, 4);   // a Thursday
    ASSERT_EQ(device_status::parseMoment(L"2024-02-29 23:59:30", t), L"");
    EXPECT_EQ(t.wSecond, 30);

    const wchar_t* refused[] = {L"2023-02-29 10:00", L"2024-13-01 10:00", L"2024-01-01 24:00",
                                L"2024-1-01 10:00",  L"2024-01-01 10:00 ", L"2024-01-01T10:00",
                                L"2024-01-01",       L"",                  L"2024-01-01 10:00:60"};
    for (const wchar_t* text : refused) {
        SYSTEMTIME untouched = moment(1999, 9, 9, 9, 9);
        EXPECT_NE(device_status::parseMoment(text, untouched), L"") << text;
        EXPECT_EQ(untouched.wYear, 1999) << text;
    }
}

TEST(DeviceStatus, OneFactPerLineWithTheProgramLast)
{
    std::wstring text = device_status::statusText(
        moment(2024, 5, 1, 21, 58, 3),
        {{L"\\windows\\mvlaunch.exe", 11}, {L"\\odd\nname.exe", 5}},
        {{L"\\Program Files\\x y.exe", moment(2024, 5, 1, 22, 0)}}, L"NextScheduled Backup");
    EXPECT_EQ(text, L"clock 2024-05-01 21:58:03\n"
                    L"event 11 wake-up \\windows\\mvlaunch.exe\n"
                    L"event 5 \\odd?name.exe\n"
                    L"timed 2024-05-01 22:00:00 \\Program Files\\x y.exe\n"
                    L"NextScheduled Backup\n");
    EXPECT_EQ(device_status::statusText(moment(2024, 5, 1, 0, 0), {}, {}, L"NextScheduled (not set)"),
              L"clock 2024-05-01 00:00:00\nno event registrations\nno timed registrations\n"
              L"NextScheduled (not set)\n");
}

class NextScheduledLine : public testing::Test {
protected:
    void SetUp() override
    {
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, device_services::SettingsKeyPath, 0, nullptr, 0,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, key_.out(), nullptr);
        DWORD size = sizeof saved_;
        hadValue_ = RegQueryValueExW(key_.get(), device_services::NextScheduledValue, nullptr,
                                     &savedType_, saved_, &size) == ERROR_SUCCESS;
        savedSize_ = size;
    }
    void TearDown() override
    {
        if (hadValue_)
            RegSetValueExW(key_.get(), device_services::NextScheduledValue, 0, savedType_, saved_,
                           savedSize_);
        else
            RegDeleteValueW(key_.get(), device_services::NextScheduledValue);
    }
    void store(DWORD type, const void* data, DWORD size)
    {
        ASSERT_EQ(RegSetValueExW(key_.get(), device_services::NextScheduledValue, 0, type,
                                 static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
    }

    ScopedKey key_;

private:
    BYTE saved_[4096];
    DWORD savedType_ = 0, savedSize_ = 0;
    bool hadValue_ = false;
};

TEST_F(NextScheduledLine, ShowsTheStringUpToItsZeroWhateverItsLength)
{
    // As the program stores it: 260 bytes, the names, a zero, then leftovers.
    wchar_t fixed[130] = L"Backup;Tidy";
    wcscpy(fixed + 12, L"stale");
    store(REG_SZ, fixed, 260);
    EXPECT_EQ(device_status::nextScheduledLine(), L"NextScheduled Backup;Tidy");

    std::wstring longer;
    for (int i = 0; i < 40; ++i) longer += L"Command" + std::to_wstring(100 + i) + L";";
    store(REG_SZ, longer.c_str(), static_cast<DWORD>((longer.size() + 1) * sizeof(wchar_t)));
    EXPECT_EQ(device_status::nextScheduledLine(), L"NextScheduled " + longer);

    // Without a terminator at all, every character stored.
    store(REG_SZ, L"Abc", 3 * sizeof(wchar_t));
    EXPECT_EQ(device_status::nextScheduledLine(), L"NextScheduled Abc");
}

TEST_F(NextScheduledLine, SaysWhenThereIsNoString)
{
    store(REG_SZ, L"", sizeof(wchar_t));
    EXPECT_EQ(device_status::nextScheduledLine(), L"NextScheduled (empty)");
    DWORD number = 7;
    store(REG_DWORD, &number, sizeof number);
    EXPECT_EQ(device_status::nextScheduledLine(), L"NextScheduled (not a string)");
    RegDeleteValueW(key_.get(), device_services::NextScheduledValue);
    EXPECT_EQ(device_status::nextScheduledLine(), L"NextScheduled (not set)");
}

} // namespace
