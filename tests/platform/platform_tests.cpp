// The handheld platform surface: notification registrations, the shell's
// dialog and shortcut helpers, process creation and the device clock.
#include "platform/aygshell.h"
#include "platform/device.h"
#include "platform/device_clock.h"
#include "platform/notification_db.h"
#include "platform/notify.h"
#include "platform/sound.h"
#include "platform/text.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "tests/support/test_support.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using test::moment;

class Notifications : public testing::Test {
protected:
    void SetUp() override { test::deleteMachineKey(notification_db::RegistrationsKey); }
    void TearDown() override { test::deleteMachineKey(notification_db::RegistrationsKey); }

    static int timedCount() { return static_cast<int>(notification_db::timedRegistrations().size()); }

    static bool hasEvent(const wchar_t* program, LONG event)
    {
        for (const auto& r : notification_db::eventRegistrations())
            if (_wcsicmp(r.program.c_str(), program) == 0 && r.event == event) return true;
        return false;
    }
};

TEST_F(Notifications, TimedStartIsReplacedAndCancelled)
{
    SYSTEMTIME first = moment(2030, 1, 2, 3, 4);
    SYSTEMTIME second = moment(2030, 2, 28, 22, 0);
    ASSERT_TRUE(CeRunAppAtTime(L"\\windows\\mvlaunch.exe", &first));
    ASSERT_TRUE(CeRunAppAtTime(L"\\windows\\mvlaunch.exe", &second));
    ASSERT_TRUE(CeRunAppAtTime(L"C:\\Program Files\\Morvane\\morvane.exe", &first));

    auto timed = notification_db::timedRegistrations();
    ASSERT_EQ(2u, timed.size());
    for (const auto& r : timed) {
        const SYSTEMTIME& want = (r.program == L"\\windows\\mvlaunch.exe") ? second : first;
        EXPECT_EQ(want.wYear, r.when.wYear);
        EXPECT_EQ(want.wMonth, r.when.wMonth);
        EXPECT_EQ(want.wDay, r.when.wDay);
        EXPECT_EQ(want.wHour, r.when.wHour);
        EXPECT_EQ(want.wMinute, r.when.wMinute);
    }

    // A null time cancels one program's start; paths compare without case.
    ASSERT_TRUE(CeRunAppAtTime(L"\\WINDOWS\\MVLAUNCH.EXE", nullptr));
    timed = notification_db::timedRegistrations();
    ASSERT_EQ(1u, timed.size());
    EXPECT_EQ(L"C:\\Program Files\\Morvane\\morvane.exe", timed[0].program);
    // Cancelling what is not registered is no failure.
    EXPECT_TRUE(CeRunAppAtTime(L"\\windows\\mvlaunch.exe", nullptr));
}

TEST_F(Notifications, InvalidTimeIsRefusedAndKeepsTheOldOne)
{
    SYSTEMTIME valid = moment(2030, 1, 2, 3, 4);
    SYSTEMTIME thirtiethOfFebruary = moment(2030, 2, 30, 8, 0);
    SYSTEMTIME hour24 = moment(2030, 3, 1, 24, 0);
    SYSTEMTIME leapDayOfACommonYear = moment(2031, 2, 29, 8, 0);
    ASSERT_TRUE(CeRunAppAtTime(L"\\windows\\mvlaunch.exe", &valid));
    EXPECT_FALSE(CeRunAppAtTime(L"\\windows\\mvlaunch.exe", &thirtiethOfFebruary));
    EXPECT_FALSE(CeRunAppAtTime(L"\\windows\\mvlaunch.exe", &hour24));
    EXPECT_FALSE(CeRunAppAtTime(L"\\windows\\mvlaunch.exe", &leapDayOfACommonYear));
    EXPECT_FALSE(CeRunAppAtTime(nullptr, &valid));
    EXPECT_FALSE(CeRunAppAtTime(L"", &valid));
    auto timed = notification_db::timedRegistrations();
    ASSERT_EQ(1u, timed.size());
    EXPECT_EQ(2, timed[0].when.wDay);
}

TEST_F(Notifications, AValueTooLongToBeARegistrationIsPassedOver)
{
    SYSTEMTIME valid = moment(2030, 1, 2, 3, 4);
    ASSERT_TRUE(CeRunAppAtTime(L"\\windows\\mvlaunch.exe", &valid));
    // Its name sorts first, so that the list must go on past it.
    std::wstring tooLongName = L"\\windows\\" + std::wstring(MAX_PATH + 20, L'a') + L".exe";
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_LOCAL_MACHINE, notification_db::TimedSubkey,
                                             tooLongName.c_str(), REG_BINARY, &valid, sizeof valid));
    auto timed = notification_db::timedRegistrations();
    ASSERT_EQ(1u, timed.size());
    EXPECT_EQ(L"\\windows\\mvlaunch.exe", timed[0].program);
}

TEST_F(Notifications, NoneRemovesEveryEventOfThatProgramOnly)
{
    ASSERT_TRUE(CeRunAppAtEvent(L"\\windows\\mvlaunch.exe", NOTIFICATION_EVENT_WAKEUP));
    ASSERT_TRUE(CeRunAppAtEvent(L"\\windows\\mvlaunch.exe", 5));
    ASSERT_TRUE(CeRunAppAtEvent(L"\\windows\\other.exe", NOTIFICATION_EVENT_WAKEUP));
    EXPECT_TRUE(hasEvent(L"\\windows\\mvlaunch.exe", 11));
    EXPECT_TRUE(hasEvent(L"\\windows\\mvlaunch.exe", 5));

    ASSERT_TRUE(CeRunAppAtEvent(L"\\Windows\\MVLaunch.exe", NOTIFICATION_EVENT_NONE));
    EXPECT_FALSE(hasEvent(L"\\windows\\mvlaunch.exe", 11));
    EXPECT_FALSE(hasEvent(L"\\windows\\mvlaunch.exe", 5));
    EXPECT_TRUE(hasEvent(L"\\windows\\other.exe", 11));
}

int registerWakeup(const std::wstring& program)
{
    return CeRunAppAtEvent(program.c_str(), NOTIFICATION_EVENT_WAKEUP) ? 0 : 1;
}
TEST_CHILD_MODE(L"register-wakeup", registerWakeup);

TEST_F(Notifications, RegistrationsAreSharedByAllProcesses)
{
    test::ProcessResult child = test::runChild(L"register-wakeup", L"\\windows\\fromchild.exe");
    ASSERT_TRUE(child.finished);
    ASSERT_EQ(0u, child.exitCode);
    EXPECT_TRUE(hasEvent(L"\\windows\\fromchild.exe", 11));
}

// ---- Shell helpers -------------------------------------------------------------

TEST(Shortcut, WritesLengthHashTargetAndNeverOverwrites)
{
    test::ScratchFolder folder(L"shortcut");
    std::wstring link = folder.file(L"Morvane.lnk");
    ASSERT_TRUE(SHCreateShortcut(link.c_str(), L"\"\\windows\\mvlaunch.exe\" -reset"));
    EXPECT_EQ("30#\"\\windows\\mvlaunch.exe\" -reset", test::readFileBytes(link));

    EXPECT_FALSE(SHCreateShortcut(link.c_str(), L"\\windows\\other.exe"));
    EXPECT_EQ("30#\"\\windows\\mvlaunch.exe\" -reset", test::readFileBytes(link));
    EXPECT_FALSE(SHCreateShortcut(folder.file(L"empty.lnk").c_str(), L""));
    // Neither the shortcut nor the program it starts at boot may lie off the device.
    const std::wstring unixFolder = L"\\\\?\\unix" + test::unixPathOf(folder.path());
    EXPECT_FALSE(SHCreateShortcut((unixFolder + L"\\host.lnk").c_str(), L"\\windows\\mvlaunch.exe"));
    EXPECT_FALSE(SHCreateShortcut(folder.file(L"host.lnk").c_str(), L"\"\\\\?\\unix\\usr\\bin\\touch\" x"));
    EXPECT_FALSE(test::fileExists(folder.file(L"host.lnk")));

    // A target longer than a path is written whole.
    const std::wstring longTarget = L"\\windows\\probe.exe " + std::wstring(1000, L'x');
    ASSERT_TRUE(SHCreateShortcut(folder.file(L"long.lnk").c_str(), longTarget.c_str()));
    EXPECT_EQ("1019#\\windows\\probe.exe " + std::string(1000, 'x'), test::readFileBytes(folder.file(L"long.lnk")));
}

class ShellDialog : public testing::Test {
protected:
    void SetUp() override
    {
        instanceHandle = GetModuleHandleW(nullptr);
        HRSRC found = FindResourceW(instanceHandle, MAKEINTRESOURCEW(IDD_MAIN), RT_DIALOG);
        ASSERT_NE(nullptr, found);
        auto* dialogTemplate = static_cast<LPCDLGTEMPLATEW>(LockResource(LoadResource(instanceHandle, found)));
        dialog_ = CreateDialogIndirectParamW(instanceHandle, dialogTemplate, nullptr,
                                             [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
        ASSERT_NE(nullptr, dialog_);
    }
    void TearDown() override { DestroyWindow(dialog_); }

    HWND dialog_ = nullptr;
};

TEST_F(ShellDialog, SizeFlagsFitTheDialogToTheWorkArea)
{
    RECT work;
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
    for (DWORD flags : {SHIDIF_SIZEDLG | SHIDIF_SIPDOWN, SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN}) {
        SetWindowPos(dialog_, nullptr, 10, 10, 50, 50, SWP_NOZORDER);
        SHINITDLGINFO init{SHIDIM_FLAGS, dialog_, flags};
        ASSERT_TRUE(SHInitDialog(&init));
        RECT r;
        GetWindowRect(dialog_, &r);
        EXPECT_EQ(work.left, r.left);
        EXPECT_EQ(work.top, r.top);
        EXPECT_EQ(work.right, r.right);
        EXPECT_EQ(work.bottom, r.bottom);
    }
}

TEST_F(ShellDialog, WithoutSizeFlagTheDialogKeepsItsSize)
{
    SetWindowPos(dialog_, nullptr, 10, 10, 50, 60, SWP_NOZORDER);
    SHINITDLGINFO init{SHIDIM_FLAGS, dialog_, SHIDIF_SIPDOWN};
    ASSERT_TRUE(SHInitDialog(&init));
    RECT r;
    GetWindowRect(dialog_, &r);
    EXPECT_EQ(50, r.right - r.left);
    EXPECT_EQ(60, r.bottom - r.top);
}

TEST_F(ShellDialog, MenuBarHoldsOneBlankButtonThatSendsCommand40001)
{
    SHMENUBARINFO info{};
    info.cbSize = 32;
    info.hwndParent = dialog_;
    info.nToolBarId = IDR_MENUBAR;
    info.hInstRes = instanceHandle;
    ASSERT_TRUE(SHCreateMenuBar(&info));
    ASSERT_NE(nullptr, info.hwndMB);
    EXPECT_EQ(dialog_, GetParent(info.hwndMB));
    ASSERT_EQ(1, SendMessageW(info.hwndMB, TB_BUTTONCOUNT, 0, 0));
    TBBUTTON button{};
    ASSERT_TRUE(SendMessageW(info.hwndMB, TB_GETBUTTON, 0, reinterpret_cast<LPARAM>(&button)));
    EXPECT_EQ(IDM_MENUBAR_BUTTON, button.idCommand);
    EXPECT_TRUE(button.fsState & TBSTATE_ENABLED);
    EXPECT_TRUE(button.fsStyle & TBSTYLE_AUTOSIZE);
    wchar_t caption[16] = L"";
    SendMessageW(info.hwndMB, TB_GETBUTTONTEXTW, IDM_MENUBAR_BUTTON, reinterpret_cast<LPARAM>(caption));
    EXPECT_STREQ(L" ", caption);

    SHMENUBARINFO wrongSize = info;
    wrongSize.cbSize = 31;
    EXPECT_FALSE(SHCreateMenuBar(&wrongSize));
}

// ---- Processes and command lines -----------------------------------------------

TEST(HandheldProcess, ChildSeesExactlyTheArgumentsPassed)
{
    test::ScratchFolder folder(L"process");
    std::wstring probe = folder.file(L"probe.exe");
    ASSERT_TRUE(CopyFileW(test::probeExe().c_str(), probe.c_str(), FALSE));
    std::wstring expected;
    for (const wchar_t* line : {L"AppRunAtTime", L"", L"  two  blanks ", L"\"quoted path\" arg"}) {
        test::ProcessResult result = test::runProgram(probe, line);
        ASSERT_TRUE(result.finished);
        EXPECT_EQ(7u, result.exitCode);
        expected += probe + L"\t[" + line + L"]\n";
    }
    EXPECT_EQ(expected, test::readFileText(folder.file(L"probe.log")));
}

TEST(HandheldProcess, BareProgramNameIsFoundInWindows)
{
    const std::wstring installed = L"C:\\windows\\mvprobe.exe";
    ASSERT_TRUE(CopyFileW(test::probeExe().c_str(), installed.c_str(), FALSE));
    DeleteFileW(L"C:\\windows\\probe.log");
    test::ProcessResult result = test::runProgram(L"mvprobe.exe", L"help.htm#top");
    EXPECT_TRUE(result.finished);
    EXPECT_EQ(7u, result.exitCode);
    EXPECT_EQ(L"\\Windows\\mvprobe.exe\t[help.htm#top]\n", test::readFileText(L"C:\\windows\\probe.log"));
    DeleteFileW(installed.c_str());
    DeleteFileW(L"C:\\windows\\probe.log");

    EXPECT_FALSE(test::runProgram(L"nosuchprogram.exe", L"").finished);
}

// ---- Paths outside the device -----------------------------------------------------

int soundsHeard = 0;
BOOL hearSound(const wchar_t*, DWORD)
{
    ++soundsHeard;
    return TRUE;
}

// Every way the platform's own namespaces name a folder of C: (which they
// reach, whatever the drives): each of the device's calls refuses it as a
// path that does not exist and leaves everything as it was, while the
// device's own name for the folder works.
TEST(DevicePaths, TheHostsNamespacesAreRefusedAsMissingPaths)
{
    test::ScratchFolder folder(L"namespaces");
    ASSERT_TRUE(CopyFileW(test::probeExe().c_str(), folder.file(L"probe.exe").c_str(), FALSE));
    ASSERT_TRUE(test::writeFileBytes(folder.file(L"kept.wav"), "RIFF"));
    const std::wstring unixPath = test::unixPathOf(folder.path());
    ASSERT_FALSE(unixPath.empty());
    const std::wstring forms[] = {L"\\\\?\\unix" + unixPath, L"\\??\\unix" + unixPath,
                                  L"//?/unix" + unixPath,        L"\\\\.\\unix" + unixPath,
                                  L"Z:" + unixPath,              L"\\\\?\\" + folder.path(),
                                  L"\\\\.\\" + folder.path(), L"\\\\?\\Z:" + unixPath};
    // The namespaces do reach the folder: the refusal is the platform's.
    ASSERT_NE(GetFileAttributesW(forms[0].c_str()), INVALID_FILE_ATTRIBUTES);
    ASSERT_NE(GetFileAttributesW(forms[4].c_str()), INVALID_FILE_ATTRIBUTES);
    ce::setSoundListener(hearSound);

    for (const std::wstring& form : forms) {
        SCOPED_TRACE(testing::Message() << "\"" << std::string(form.begin(), form.end()) << "\"");
        std::vector<DWORD> errors;
        auto refused = [&](bool failed) {
            EXPECT_TRUE(failed);
            errors.push_back(GetLastError());
        };
        refused(ce::GetFileAttributesW(form.c_str()) == INVALID_FILE_ATTRIBUTES);
        WIN32_FIND_DATAW found;
        refused(ce::FindFirstFileW((form + L"\\*.*").c_str(), &found) == INVALID_HANDLE_VALUE);
        refused(!ce::DeleteFileW((form + L"\\kept.wav").c_str()));
        refused(!ce::SetFileAttributesW((form + L"\\kept.wav").c_str(), FILE_ATTRIBUTE_READONLY));
        refused(!ce::CreateDirectoryW((form + L"\\made").c_str(), nullptr));
        refused(!ce::RemoveDirectoryW(form.c_str()));
        PROCESS_INFORMATION process{};
        refused(!ce::CreateProcessW((form + L"\\probe.exe").c_str(), nullptr, nullptr, nullptr, FALSE, 0,
                                    nullptr, nullptr, nullptr, &process));
        refused(!ce::PlaySoundW((form + L"\\kept.wav").c_str(), nullptr, SND_NODEFAULT));
        refused(ce::CreateFileW((form + L"\\kept.wav").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr) == INVALID_HANDLE_VALUE);
        refused(!ce::MoveFileExW((form + L"\\kept.wav").c_str(), (form + L"\\moved.wav").c_str(), 0));
        for (DWORD error : errors) EXPECT_EQ(error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    }
    // A rooted or a relative path is judged from the current drive: from a
    // folder of the host's drive, they name the host's files.
    wchar_t current[MAX_PATH];
    ASSERT_TRUE(GetCurrentDirectoryW(MAX_PATH, current));
    ASSERT_TRUE(SetCurrentDirectoryW((L"Z:" + unixPath).c_str()));
    for (const std::wstring& form : {unixPath + L"\\kept.wav", std::wstring(L"kept.wav"), std::wstring(L"..\\") +
                                         folder.path().substr(folder.path().rfind(L'\\') + 1) + L"\\kept.wav"}) {
        SCOPED_TRACE(testing::Message() << "\"" << std::string(form.begin(), form.end()) << "\" from the host's drive");
        EXPECT_NE(GetFileAttributesW(form.c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(ce::GetFileAttributesW(form.c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(ce::CreateFileW(form.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr),
                  INVALID_HANDLE_VALUE);
    }
    ASSERT_TRUE(SetCurrentDirectoryW(current));
    EXPECT_EQ(soundsHeard, 0);
    EXPECT_TRUE(test::fileExists(folder.file(L"kept.wav")));
    EXPECT_EQ(GetFileAttributesW(folder.file(L"kept.wav").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_FALSE(test::fileExists(folder.file(L"probe.log")));
    EXPECT_EQ(GetFileAttributesW(folder.file(L"made").c_str()), INVALID_FILE_ATTRIBUTES);

    // The device's own names for the same places work.
    EXPECT_NE(ce::GetFileAttributesW(folder.path().c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(ce::PlaySoundW(folder.file(L"kept.wav").c_str(), nullptr, SND_NODEFAULT));
    EXPECT_EQ(soundsHeard, 1);
    EXPECT_TRUE(ce::DeleteFileW(folder.file(L"kept.wav").c_str()));
    ce::setSoundListener(nullptr);
}

// Wine's refusal of a start (1359) is tried again, up to six times; any other
// failure is the program's answer and is given at once.
TEST(HandheldProcess, OnlyWinesRefusalIsTriedAgainAndOnlySixTimes)
{
    const struct {
        std::vector<DWORD> failures;   // the errors of the failed tries, in order
        bool started;
        size_t tries;
        DWORD lastError;
    } cases[] = {
        {{}, true, 1, 0},
        {{ERROR_INTERNAL_ERROR, ERROR_INTERNAL_ERROR}, true, 3, 0},
        {{ERROR_FILE_NOT_FOUND}, false, 1, ERROR_FILE_NOT_FOUND},
        {{ERROR_INTERNAL_ERROR, ERROR_PATH_NOT_FOUND}, false, 2, ERROR_PATH_NOT_FOUND},
        {std::vector<DWORD>(6, ERROR_INTERNAL_ERROR), false, 6, ERROR_INTERNAL_ERROR},
        {std::vector<DWORD>(7, ERROR_INTERNAL_ERROR), false, 6, ERROR_INTERNAL_ERROR},
    };
    for (const auto& c : cases) {
        struct Tries {
            const std::vector<DWORD>& failures;
            size_t count = 0;
        } tries{c.failures};
        BOOL started = ce::retryingRefusals(
            [](void* context) {
                auto& t = *static_cast<Tries*>(context);
                if (t.count < t.failures.size()) {
                    SetLastError(t.failures[t.count++]);
                    return FALSE;
                }
                ++t.count;
                return TRUE;
            },
            &tries, 1);
        EXPECT_EQ(started != FALSE, c.started) << c.failures.size();
        EXPECT_EQ(tries.count, c.tries) << c.failures.size();
        if (!c.started) {
            EXPECT_EQ(GetLastError(), c.lastError) << c.failures.size();
        }
    }
}

TEST(HandheldProcess, LineLongerThanAnyCommandLineIsRefusedWhole)
{
    test::ScratchFolder folder(L"process");
    std::wstring probe = folder.file(L"probe.exe");
    ASSERT_TRUE(CopyFileW(test::probeExe().c_str(), probe.c_str(), FALSE));
    // The quoted name, a blank and the arguments: 32,766 characters fit.
    std::wstring fits(32766 - probe.size() - 3, L'a');
    test::ProcessResult started = test::runProgram(probe, fits);
    ASSERT_TRUE(started.finished);
    EXPECT_EQ(probe + L"\t[" + fits + L"]\n", test::readFileText(folder.file(L"probe.log")));

    std::wstring tooLong = fits + L"b";
    PROCESS_INFORMATION process{};
    SetLastError(0);
    EXPECT_FALSE(ce::CreateProcessW(probe.c_str(), tooLong.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                    nullptr, nullptr, &process));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());
}

// ---- Texts without a fixed capacity -----------------------------------------------

TEST(HeapText, GrowsToHoldEveryPieceAndStartsAgainWhenCleared)
{
    HeapText text;
    std::wstring expected;
    for (int i = 0; i < 5000; ++i) {
        std::wstring piece = L"Command number " + std::to_wstring(i) + L";";
        ASSERT_TRUE(text.append(piece.c_str()));
        expected += piece;
    }
    EXPECT_EQ(expected.size(), text.length());
    EXPECT_EQ(expected, text.c_str());

    ASSERT_TRUE(text.assign(L"Backup"));
    EXPECT_EQ(std::wstring(L"Backup"), text.c_str());
    text.clear();
    EXPECT_TRUE(text.empty());
    EXPECT_STREQ(L"", text.c_str());

    // Numbers, padded and not, up to the largest.
    ASSERT_TRUE(text.appendNumber(0) && text.append(L" ") && text.appendNumber(7, 3) && text.append(L" ") &&
                text.appendNumber(2027, 2) && text.append(L" ") && text.appendNumber(18446744073709551615ULL));
    EXPECT_STREQ(L"0 007 2027 18446744073709551615", text.c_str());
}

// ---- The device clock -------------------------------------------------------------

int minuteOfDeviceDay(const std::wstring&)
{
    SYSTEMTIME now;
    ce::GetLocalTime(&now);
    return now.wYear == 2031 && now.wMonth == 5 && now.wDay == 6 ? now.wHour * 60 + now.wMinute : -1;
}
TEST_CHILD_MODE(L"device-minute", minuteOfDeviceDay);

class DeviceClock : public testing::Test {
protected:
    // Back to the host's local time, as for a device whose clock was never set.
    void TearDown() override
    {
        SYSTEMTIME host;
        ::GetLocalTime(&host);
        ce::SetLocalTime(&host);
        HKEY key;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, device_clock::ClockKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            RegDeleteValueW(key, device_clock::OffsetValue);
            RegCloseKey(key);
        }
    }
};

TEST_F(DeviceClock, SettingTheClockMovesItForEveryProcess)
{
    SYSTEMTIME wanted = moment(2031, 5, 6, 7, 8);
    ASSERT_TRUE(ce::SetLocalTime(&wanted));

    SYSTEMTIME now;
    ce::GetLocalTime(&now);
    EXPECT_EQ(2031, now.wYear);
    EXPECT_EQ(5, now.wMonth);
    EXPECT_EQ(6, now.wDay);
    EXPECT_EQ(2, now.wDayOfWeek);   // a Tuesday
    EXPECT_LE(7 * 60 + 8, now.wHour * 60 + now.wMinute);

    // Another process reads the same clock.
    test::ProcessResult child = test::runChild(L"device-minute");
    ASSERT_TRUE(child.finished);
    EXPECT_GE(static_cast<int>(child.exitCode), 7 * 60 + 8);
    EXPECT_LE(static_cast<int>(child.exitCode), 7 * 60 + 8 + 5);

    // The offset is kept in the device registry, so it outlives every process.
    LONGLONG offset = 0;
    DWORD bytes = sizeof offset;
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_LOCAL_MACHINE, device_clock::ClockKey, device_clock::OffsetValue,
                                          RRF_RT_REG_QWORD, nullptr, &offset, &bytes));
}

TEST_F(DeviceClock, InvalidTimeIsRefused)
{
    SYSTEMTIME before, after;
    ce::GetLocalTime(&before);
    SYSTEMTIME invalid = moment(2031, 2, 29, 7, 8);
    EXPECT_FALSE(ce::SetLocalTime(&invalid));
    EXPECT_FALSE(ce::SetLocalTime(nullptr));
    ce::GetLocalTime(&after);
    EXPECT_EQ(before.wYear, after.wYear);
    EXPECT_EQ(before.wDay, after.wDay);
}

} // namespace
