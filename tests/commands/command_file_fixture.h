// What the command file tests share: the real "Data" folder beside the test
// program, emptied before and after each test, and hand-built record bytes.
#ifndef MORVANE_TESTS_COMMANDS_COMMAND_FILE_FIXTURE_H
#define MORVANE_TESTS_COMMANDS_COMMAND_FILE_FIXTURE_H

#include <gtest/gtest.h>

#include "commands/command_file.h"
#include "platform/scoped.h"
#include "shell/app_state.h"
#include "tests/support/test_support.h"

#include <cstdlib>
#include <string>

namespace test {

inline std::wstring dataFolder()
{
    CommandFile file;
    return file.dataFolderPath();
}
inline std::wstring commandFilePath() { return dataFolder() + L"\\zelvane.dat"; }
inline std::wstring temporaryFilePath() { return dataFolder() + L"\\_cmd_.tmp"; }
// Where the unreadable rest of a damaged file goes: "zelvane.bad", then
// "zelvane2.bad" and on.
inline std::wstring setAsidePath(int number = 1)
{
    return dataFolder() + L"\\zelvane" + (number == 1 ? L"" : std::to_wstring(number)) + L".bad";
}

// Removes a file, or a folder a test put in its place.
inline void removeEntry(const std::wstring& path)
{
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileW(path.c_str())) RemoveDirectoryW(path.c_str());
}

class CommandFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        instanceHandle = GetModuleHandleW(nullptr);
        TearDown();
    }
    void TearDown() override
    {
        removeEntry(commandFilePath());
        removeEntry(temporaryFilePath());
        const std::wstring folder = dataFolder();
        WIN32_FIND_DATAW found;
        ScopedFind find(FindFirstFileW((folder + L"\\*.bad").c_str(), &found));
        for (bool more = find.valid(); more; more = FindNextFileW(find.get(), &found))
            removeEntry(folder + L"\\" + found.cFileName);
    }
};

// "0c 00 61 ..." as bytes.
inline std::string hexBytes(const char* text)
{
    std::string bytes;
    char* end = nullptr;
    for (const char* p = text; *p;) {
        unsigned long value = strtoul(p, &end, 16);
        if (end == p) break;
        bytes += static_cast<char>(value);
        p = end;
    }
    return bytes;
}

// Little-endian pieces of a hand-built record.
inline std::string u16(unsigned value) { return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)}; }
inline std::string u32(unsigned long value)
{
    return u16(static_cast<unsigned>(value & 0xFFFF)) + u16(static_cast<unsigned>(value >> 16));
}
inline std::string utf16(const std::wstring& text)
{
    std::string bytes;
    for (wchar_t c : text) bytes += u16(static_cast<unsigned>(c));
    return bytes + u16(0);
}
inline std::string record(const std::string& body) { return u32(static_cast<unsigned long>(body.size())) + body; }

} // namespace test

#endif
