// The settings store against the prefix's real registry.
#include "shell/settings_store.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <string>

namespace {

constexpr wchar_t SettingsKey[] = L"Software\\Quillon Software\\Morvane";

class Settings : public testing::Test {
protected:
    void SetUp() override { test::deleteMachineKey(SettingsKey); }
    void TearDown() override { test::deleteMachineKey(SettingsKey); }

    static void writeRaw(const wchar_t* name, DWORD type, const void* data, DWORD bytes)
    {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, SettingsKey, 0, nullptr, 0,
                                                 KEY_SET_VALUE, nullptr, &key, nullptr));
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes));
        RegCloseKey(key);
    }

    // The stored size and type of a value, as another program would see them.
    static DWORD storedBytes(const wchar_t* name, DWORD* type = nullptr)
    {
        DWORD bytes = 0, t = 0;
        RegGetValueW(HKEY_LOCAL_MACHINE, SettingsKey, name, RRF_RT_ANY | RRF_NOEXPAND, &t, nullptr, &bytes);
        if (type) *type = t;
        return bytes;
    }
};

TEST_F(Settings, NewDeviceGetsTheKeyAndEverythingReadsZero)
{
    {
        SettingsStore store;
        EXPECT_EQ(0u, store.getDword(L"EnableCommands"));
        EXPECT_EQ(0u, store.getDword(L"Starts"));
        wchar_t buffer[StoredStringChars];
        EXPECT_FALSE(store.getString(L"NextScheduled", buffer));
        EXPECT_STREQ(L"", buffer);
    }
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, SettingsKey, 0, KEY_READ, &key));
    RegCloseKey(key);
}

TEST_F(Settings, CountersStartAtOneAndWrapToZero)
{
    SettingsStore store;
    ASSERT_TRUE(store.incrementCounter(L"ExeCmds"));
    EXPECT_EQ(1u, store.getDword(L"ExeCmds"));

    ASSERT_TRUE(store.setDword(L"ExeCmds", 4294967295u));
    ASSERT_TRUE(store.incrementCounter(L"ExeCmds"));
    EXPECT_EQ(0u, store.getDword(L"ExeCmds"));
}

TEST_F(Settings, EveryStoreSeesTheOthersWrites)
{
    SettingsStore reader;
    {
        SettingsStore writer;
        writer.setDword(L"ShowMainWin", 1);
    }
    EXPECT_EQ(1u, reader.getDword(L"ShowMainWin"));

    // The key deleted and made again by another program (a restore): the
    // store reads and writes the new key, not the deleted one.
    test::deleteMachineKey(SettingsKey);
    EXPECT_EQ(0u, reader.getDword(L"ShowMainWin"));
    DWORD restored = 7;
    writeRaw(L"Starts", REG_DWORD, &restored, sizeof restored);
    EXPECT_EQ(7u, reader.getDword(L"Starts"));
    test::deleteMachineKey(SettingsKey);
    EXPECT_TRUE(reader.setDword(L"ExeCmds", 3));
    EXPECT_EQ(4u, storedBytes(L"ExeCmds"));
}

TEST_F(Settings, ValuesOfAnotherTypeCountOnlyUpToFourBytes)
{
    const BYTE twoBytes[] = {0x34, 0x12};
    writeRaw(L"Short", REG_BINARY, twoBytes, sizeof twoBytes);
    const wchar_t text[] = L"12345";
    writeRaw(L"Text", REG_SZ, text, sizeof text);
    const ULONGLONG wide = 7;
    writeRaw(L"Wide", REG_QWORD, &wide, sizeof wide);
    const DWORD big = 0x01020304;
    writeRaw(L"Big", REG_DWORD_BIG_ENDIAN, &big, sizeof big);

    SettingsStore store;
    EXPECT_EQ(0x1234u, store.getDword(L"Short"));   // padded with zero bytes
    EXPECT_EQ(0u, store.getDword(L"Text"));         // 12 bytes: too long
    EXPECT_EQ(0u, store.getDword(L"Wide"));
    EXPECT_EQ(0x01020304u, store.getDword(L"Big")); // the bytes as they are

    // A counter too long to read starts again at 1.
    ASSERT_TRUE(store.incrementCounter(L"Wide"));
    EXPECT_EQ(1u, store.getDword(L"Wide"));
}

TEST_F(Settings, ShortStringsAreStoredIn260BytesAndReadBack)
{
    SettingsStore store;
    ASSERT_TRUE(store.setString(L"NextScheduled", L"Backup;Tidy up"));
    DWORD type = 0;
    EXPECT_EQ(260u, storedBytes(L"NextScheduled", &type));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);

    wchar_t buffer[StoredStringChars];
    ASSERT_TRUE(store.getString(L"NextScheduled", buffer));
    EXPECT_STREQ(L"Backup;Tidy up", buffer);

    // An empty string reads like a missing value.
    ASSERT_TRUE(store.setString(L"NextScheduled", L""));
    EXPECT_EQ(260u, storedBytes(L"NextScheduled"));
    EXPECT_FALSE(store.getString(L"NextScheduled", buffer));
}

TEST_F(Settings, PaddingIsZeroNotWhatFollowsTheCallersText)
{
    wchar_t caller[StoredStringChars];
    wmemset(caller, L'x', std::size(caller));
    caller[3] = L'\0';
    SettingsStore store;
    ASSERT_TRUE(store.setString(L"NextScheduled", caller));

    wchar_t raw[StoredStringChars];
    DWORD bytes = sizeof raw;
    ASSERT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_LOCAL_MACHINE, SettingsKey, L"NextScheduled",
                                          RRF_RT_REG_SZ, nullptr, raw, &bytes));
    EXPECT_EQ(std::wstring(L"xxx") + std::wstring(StoredStringChars - 3, L'\0'),
              std::wstring(raw, StoredStringChars));
}

TEST_F(Settings, LongStringsAreStoredWholeNeverCut)
{
    SettingsStore store;
    const std::wstring longest(129, L'a');
    ASSERT_TRUE(store.setString(L"NextScheduled", longest.c_str()));
    EXPECT_EQ(260u, storedBytes(L"NextScheduled"));
    wchar_t buffer[StoredStringChars];
    ASSERT_TRUE(store.getString(L"NextScheduled", buffer));
    EXPECT_EQ(longest, buffer);

    std::wstring names;
    for (int i = 0; i < 40; ++i) names += (i ? L";" : L"") + std::wstring(L"Command number ") + std::to_wstring(i);
    ASSERT_GT(names.size(), 129u);
    ASSERT_TRUE(store.setString(L"NextScheduled", names.c_str()));
    EXPECT_EQ((names.size() + 1) * sizeof(wchar_t), storedBytes(L"NextScheduled"));

    // The fixed-size reader refuses it rather than returning a cut list...
    EXPECT_FALSE(store.getString(L"NextScheduled", buffer));
    // ...and the whole-value reader returns it all.
    HeapText whole;
    ASSERT_TRUE(store.getString(L"NextScheduled", whole));
    EXPECT_EQ(names, whole.c_str());
}

TEST_F(Settings, StringWithoutTerminatorNeverOverrunsTheBuffer)
{
    const std::wstring full(StoredStringChars, L'z');   // 260 bytes, no terminator
    writeRaw(L"NextScheduled", REG_SZ, full.data(), StoredStringBytes);

    // The registry adds the missing terminator, which no longer fits in 260
    // bytes: the fixed-size reader refuses the value and writes nothing past
    // its 130 characters.
    SettingsStore store;
    wchar_t buffer[StoredStringChars + 8];
    wmemset(buffer, L'!', std::size(buffer));
    EXPECT_FALSE(store.getString(L"NextScheduled", buffer));
    EXPECT_EQ(L'!', buffer[StoredStringChars]);

    HeapText whole;
    ASSERT_TRUE(store.getString(L"NextScheduled", whole));
    EXPECT_EQ(full, whole.c_str());
}

int incrementThousandTimes(const std::wstring& name)
{
    SettingsStore store;
    for (int i = 0; i < 1000; ++i) store.incrementCounter(name.c_str());
    return 0;
}
TEST_CHILD_MODE(L"increment", incrementThousandTimes);

TEST_F(Settings, TwoProcessesIncrementingTogetherLoseNothing)
{
    HANDLE first = test::startChild(L"increment", L"Starts");
    HANDLE second = test::startChild(L"increment", L"Starts");
    ASSERT_NE(nullptr, first);
    ASSERT_NE(nullptr, second);
    EXPECT_TRUE(test::waitProgram(first, 120000).finished);
    EXPECT_TRUE(test::waitProgram(second, 120000).finished);

    SettingsStore store;
    EXPECT_EQ(2000u, store.getDword(L"Starts"));
}

} // namespace
