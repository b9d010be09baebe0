// The launcher, run for real: it reads "InstallDir" and starts the program
// found there (here probe.exe installed as morvane.exe, which logs how it was
// started) with its own command line.
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace {

constexpr wchar_t InstallKey[] = L"Software\\Apps\\Quillon Software Morvane";
constexpr DWORD LauncherFailed = static_cast<DWORD>(-1);

class Launcher : public testing::Test {
protected:
    void SetUp() override { test::deleteMachineKey(InstallKey); }
    void TearDown() override { test::deleteMachineKey(InstallKey); }

    static void setInstallDir(const std::wstring& folder)
    {
        setInstallDirBytes(REG_SZ, folder.c_str(), (folder.size() + 1) * sizeof(wchar_t));
    }

    static void setInstallDirBytes(DWORD type, const void* data, size_t bytes)
    {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, InstallKey, 0, nullptr, 0,
                                                 KEY_SET_VALUE, nullptr, &key, nullptr));
        RegSetValueExW(key, L"InstallDir", 0, type, static_cast<const BYTE*>(data),
                       static_cast<DWORD>(bytes));
        RegCloseKey(key);
    }

    // Installs the probe as morvane.exe in folder.
    static void installProbe(const std::wstring& folder)
    {
        CreateDirectoryW(folder.c_str(), nullptr);
        ASSERT_TRUE(CopyFileW(test::probeExe().c_str(), (folder + L"\\morvane.exe").c_str(), FALSE));
    }

    static test::ProcessResult launch(const std::wstring& arguments)
    {
        return test::runProgram(test::mvlaunchExe(), arguments);
    }

    // The probe's log: one line per start, "image<TAB>[arguments]", once the
    // probe has written its line into the file it made.
    static std::wstring probeLog(const std::wstring& folder)
    {
        std::wstring log = folder + L"\\probe.log";
        test::waitUntil([&] {
            std::wstring text = test::readFileText(log);
            return !text.empty() && text.back() == L'\n';
        });
        return test::readFileText(log);
    }
};

TEST_F(Launcher, FolderWithOrWithoutTrailingBackslashGivesOneBackslash)
{
    test::ScratchFolder install(L"launcher");
    installProbe(install.path());

    setInstallDir(install.path());
    test::ProcessResult plain = launch(L"AppRunAtTime");
    ASSERT_TRUE(plain.finished);
    EXPECT_EQ(0u, plain.exitCode);

    setInstallDir(install.path() + L"\\");
    test::ProcessResult slashed = launch(L"AppRunAtTime");
    ASSERT_TRUE(slashed.finished);
    EXPECT_EQ(0u, slashed.exitCode);

    ASSERT_TRUE(test::waitUntil([&] {
        std::wstring log = test::readFileText(install.file(L"probe.log"));
        return log.find(L'\n') != log.rfind(L'\n');
    }));
    std::wstring expected = install.path() + L"\\morvane.exe\t[AppRunAtTime]\n";
    EXPECT_EQ(expected + expected, probeLog(install.path()));
}

TEST_F(Launcher, CommandLineIsPassedThroughUnchanged)
{
    test::ScratchFolder install(L"launcher");
    installProbe(install.path());
    setInstallDir(install.path());

    const wchar_t* lines[] = {L"AppRunAfterWakeup", L"", L"-reset", L"  two  words ", L"\"quoted\" x"};
    std::wstring expected;
    for (const wchar_t* line : lines) {
        test::ProcessResult result = launch(line);
        ASSERT_TRUE(result.finished);
        EXPECT_EQ(0u, result.exitCode);
        expected += install.path() + L"\\morvane.exe\t[" + line + L"]\n";
        // One start at a time, so the log keeps their order.
        ASSERT_TRUE(test::waitUntil([&] { return test::readFileText(install.file(L"probe.log")) == expected; }))
            << "after " << testing::PrintToString(std::wstring(line));
    }
}

TEST_F(Launcher, EmptyInstallDirMeansTheRootFolder)
{
    // "\" + "morvane.exe": the program in the root of the current drive.
    const std::wstring rootProgram = L"C:\\morvane.exe";
    ASSERT_TRUE(CopyFileW(test::probeExe().c_str(), rootProgram.c_str(), FALSE));
    DeleteFileW(L"C:\\probe.log");
    setInstallDir(L"");

    test::ProcessResult result = launch(L"AppRunAtTime");
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(L"\\morvane.exe\t[AppRunAtTime]\n", probeLog(L"C:"));

    DeleteFileW(rootProgram.c_str());
    DeleteFileW(L"C:\\probe.log");
}

TEST_F(Launcher, InstallDirOf129CharactersIsReadAnd130AreRefused)
{
    test::ScratchFolder parent(L"launcher");
    // A folder path of exactly n characters, without a trailing backslash.
    auto folderOfLength = [&](size_t n, wchar_t fill) {
        std::wstring folder = parent.path() + L"\\";
        folder.append(n - folder.size(), fill);
        return folder;
    };
    std::wstring fits = folderOfLength(129, L'a');
    std::wstring tooLong = folderOfLength(130, L'b');
    ASSERT_EQ(129u, fits.size());
    installProbe(fits);
    installProbe(tooLong);

    setInstallDir(fits);
    test::ProcessResult read = launch(L"AppRunAtTime");
    ASSERT_TRUE(read.finished);
    EXPECT_EQ(0u, read.exitCode);
    EXPECT_EQ(fits + L"\\morvane.exe\t[AppRunAtTime]\n", probeLog(fits));

    setInstallDir(tooLong);
    test::ProcessResult refused = launch(L"AppRunAtTime");
    ASSERT_TRUE(refused.finished);
    EXPECT_EQ(LauncherFailed, refused.exitCode);
    Sleep(500);
    EXPECT_FALSE(test::fileExists(tooLong + L"\\probe.log"));
}

TEST_F(Launcher, MissingOrUnusableInstallDirEndsWithMinusOne)
{
    // The key missing.
    test::ProcessResult noKey = launch(L"AppRunAtTime");
    ASSERT_TRUE(noKey.finished);
    EXPECT_EQ(LauncherFailed, noKey.exitCode);

    // The key without the value.
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, InstallKey, 0, nullptr, 0,
                                             KEY_SET_VALUE, nullptr, &key, nullptr));
    RegCloseKey(key);
    test::ProcessResult noValue = launch(L"AppRunAtTime");
    ASSERT_TRUE(noValue.finished);
    EXPECT_EQ(LauncherFailed, noValue.exitCode);

    // A number where a folder belongs is no folder.
    DWORD number = 0x005C0043;   // "C\" if read as text
    setInstallDirBytes(REG_DWORD, &number, sizeof number);
    test::ProcessResult wrongType = launch(L"AppRunAtTime");
    ASSERT_TRUE(wrongType.finished);
    EXPECT_EQ(LauncherFailed, wrongType.exitCode);
}

TEST_F(Launcher, FolderOf130CharactersWithoutTerminatorIsRefused)
{
    test::ScratchFolder parent(L"launcher");
    std::wstring folder = parent.path() + L"\\";
    folder.append(130 - folder.size(), L'c');   // 130 characters in 260 bytes, no terminator
    installProbe(folder.substr(0, 129));
    setInstallDirBytes(REG_SZ, folder.c_str(), 260);

    test::ProcessResult result = launch(L"x");
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(LauncherFailed, result.exitCode);
    EXPECT_FALSE(test::fileExists(folder.substr(0, 129) + L"\\probe.log"));
}

TEST_F(Launcher, ProgramMissingEndsWithZeroAfterEveryAttempt)
{
    test::ScratchFolder install(L"launcher");
    setInstallDir(install.path());
    test::ProcessResult result = launch(L"AppRunAtTime");
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(0u, result.exitCode);
}

} // namespace
