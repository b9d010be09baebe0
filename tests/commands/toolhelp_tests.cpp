// The device's tool-help library itself: its exports, the handheld record
// read as raw bytes at the handheld offsets, and its refusal of other sizes.
#include "platform/scoped.h"
#include "platform/toolhelp.h"
#include "tests/support/test_window.h"

#include <gtest/gtest.h>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>

namespace {

template <typename Proc>
Proc procAddress(HMODULE module, const char* name)
{
    return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// The record as the handheld lays it out: 564 bytes, 32-bit fields.
struct RawRecord {
    alignas(4) uint8_t bytes[564];

    DWORD field(size_t offset) const
    {
        DWORD value;
        memcpy(&value, bytes + offset, sizeof value);
        return value;
    }
    std::wstring exeFile() const
    {
        wchar_t name[MAX_PATH];
        memcpy(name, bytes + 36, sizeof name);
        name[MAX_PATH - 1] = L'\0';
        return name;
    }
};

struct Toolhelp {
    ScopedModule library{LoadLibraryW(L"toolhelp.dll")};
    ce::CreateToolhelp32SnapshotProc createSnapshot =
        procAddress<ce::CreateToolhelp32SnapshotProc>(library.get(), "CreateToolhelp32Snapshot");
    ce::Process32FirstProc first = procAddress<ce::Process32FirstProc>(library.get(), "Process32First");
    ce::Process32NextProc next = procAddress<ce::Process32NextProc>(library.get(), "Process32Next");
    ce::CloseToolhelp32SnapshotProc closeSnapshot =
        procAddress<ce::CloseToolhelp32SnapshotProc>(library.get(), "CloseToolhelp32Snapshot");
};

TEST(ToolhelpLibrary, ListsTheRunningProcessesWithTheirExecutableNames)
{
    Toolhelp toolhelp;
    ASSERT_TRUE(toolhelp.library);
    ASSERT_TRUE(toolhelp.createSnapshot && toolhelp.first && toolhelp.next && toolhelp.closeSnapshot);
    test::WindowProgram program(L"hidden:Listed");
    ASSERT_TRUE(program.waitUntilReady());

    HANDLE snapshot = toolhelp.createSnapshot(ce::TH32CS_SNAPPROCESS, 0);
    ASSERT_NE(snapshot, INVALID_HANDLE_VALUE);
    struct Seen {
        std::wstring name;
        DWORD parent;
        DWORD threads;
    };
    std::map<DWORD, Seen> processes;
    RawRecord record{};
    DWORD size = 564;
    memcpy(record.bytes, &size, sizeof size);
    auto* entry = reinterpret_cast<ce::LPPROCESSENTRY32>(record.bytes);
    for (BOOL more = toolhelp.first(snapshot, entry); more; more = toolhelp.next(snapshot, entry)) {
        EXPECT_EQ(record.field(0), 564u);
        processes[record.field(8)] = Seen{record.exeFile(), record.field(24), record.field(20)};
    }
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(toolhelp.closeSnapshot(snapshot));

    ASSERT_EQ(processes.count(GetCurrentProcessId()), 1u);
    EXPECT_EQ(processes[GetCurrentProcessId()].name, L"action_tests.exe");
    ASSERT_EQ(processes.count(program.processId()), 1u);
    const Seen& child = processes[program.processId()];
    EXPECT_EQ(child.name, L"testwindow.exe");
    EXPECT_EQ(child.parent, GetCurrentProcessId());
    EXPECT_GE(child.threads, 1u);
}

TEST(ToolhelpLibrary, RefusesARecordOfAnyOtherSizeAndLeavesItAlone)
{
    Toolhelp toolhelp;
    ASSERT_TRUE(toolhelp.library);
    HANDLE snapshot = toolhelp.createSnapshot(ce::TH32CS_SNAPPROCESS, 0);
    ASSERT_NE(snapshot, INVALID_HANDLE_VALUE);

    // 568 is the desktop's wide record on this host.
    for (DWORD size : {0u, 556u, 560u, 563u, 565u, 568u}) {
        RawRecord record;
        memset(record.bytes, 0x5A, sizeof record.bytes);
        memcpy(record.bytes, &size, sizeof size);
        auto* entry = reinterpret_cast<ce::LPPROCESSENTRY32>(record.bytes);
        EXPECT_FALSE(toolhelp.first(snapshot, entry)) << size;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << size;
        EXPECT_FALSE(toolhelp.next(snapshot, entry)) << size;
        for (size_t i = 4; i < sizeof record.bytes; ++i) ASSERT_EQ(record.bytes[i], 0x5A) << size;
    }
    EXPECT_FALSE(toolhelp.first(snapshot, nullptr));

    ce::PROCESSENTRY32 entry{};
    entry.dwSize = ce::ProcessEntrySize;
    EXPECT_TRUE(toolhelp.first(snapshot, &entry));
    // A snapshot handle closes like any other on the device.
    EXPECT_TRUE(CloseHandle(snapshot));
}

} // namespace
