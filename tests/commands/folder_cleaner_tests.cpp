// Folder cleaning on real folders of the device's drive C:.
#include "commands/folder_cleaner.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <iterator>
#include <string>

namespace {

void makeFile(const std::wstring& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL)
{
    ASSERT_TRUE(test::writeFileBytes(path, "contents")) << path;
    if (attributes != FILE_ATTRIBUTE_NORMAL) {
        ASSERT_TRUE(SetFileAttributesW(path.c_str(), attributes)) << path;
    }
}

void makeFolder(const std::wstring& path)
{
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr)) << path;
}

bool exists(const std::wstring& path) { return test::fileExists(path); }

TEST(FolderCleaning, OrdinaryFilesGoAndTheFolderIsRemovedWithOrWithoutRecursion)
{
    for (int recursive : {0, 1}) {
        test::ScratchFolder folder(L"clean-files");
        makeFile(folder.file(L"notes.txt"));
        makeFile(folder.file(L"no extension"));
        makeFile(folder.file(L"hidden.dat"), FILE_ATTRIBUTE_HIDDEN);
        makeFile(folder.file(L"archived.bin"), FILE_ATTRIBUTE_ARCHIVE);

        EXPECT_EQ(cleanFolder(folder.path().c_str(), recursive), 1) << "recursive " << recursive;
        EXPECT_FALSE(exists(folder.path()));
    }
}

TEST(FolderCleaning, AnEmptyFolderIsRemoved)
{
    test::ScratchFolder folder(L"clean-empty");
    EXPECT_EQ(cleanFolder(folder.path().c_str(), 0), 1);
    EXPECT_FALSE(exists(folder.path()));
}

TEST(FolderCleaning, RecursionEmptiesAndRemovesTheWholeTree)
{
    test::ScratchFolder folder(L"clean-tree");
    makeFile(folder.file(L"top.txt"));
    makeFolder(folder.file(L"one"));
    makeFile(folder.file(L"one\\a.txt"));
    makeFolder(folder.file(L"one\\two"));
    makeFile(folder.file(L"one\\two\\b.txt"), FILE_ATTRIBUTE_READONLY);
    makeFolder(folder.file(L"empty"));

    EXPECT_EQ(cleanFolder(folder.path().c_str(), 1), 1);
    EXPECT_FALSE(exists(folder.path()));
}

TEST(FolderCleaning, WithoutRecursionSubfoldersAndTheirFilesStay)
{
    test::ScratchFolder folder(L"clean-flat");
    makeFile(folder.file(L"top.txt"));
    makeFolder(folder.file(L"sub"));
    makeFile(folder.file(L"sub\\kept.txt"));
    makeFolder(folder.file(L"sub\\deeper"));

    EXPECT_EQ(cleanFolder(folder.path().c_str(), 0), 0);
    EXPECT_FALSE(exists(folder.file(L"top.txt")));
    EXPECT_TRUE(exists(folder.file(L"sub\\kept.txt")));
    EXPECT_TRUE(exists(folder.file(L"sub\\deeper")));
}

TEST(FolderCleaning, ASystemFileSurvivesWithTheFoldersOnItsPath)
{
    test::ScratchFolder folder(L"clean-system");
    makeFile(folder.file(L"top.txt"));
    makeFolder(folder.file(L"keep"));
    makeFile(folder.file(L"keep\\other.txt"));
    makeFolder(folder.file(L"keep\\inner"));
    makeFile(folder.file(L"keep\\inner\\device.sys"), FILE_ATTRIBUTE_SYSTEM);
    makeFolder(folder.file(L"gone"));
    makeFile(folder.file(L"gone\\c.txt"));
    ASSERT_TRUE(GetFileAttributesW(folder.file(L"keep\\inner\\device.sys").c_str()) &
                FILE_ATTRIBUTE_SYSTEM) << "the platform keeps the system attribute";

    EXPECT_EQ(cleanFolder(folder.path().c_str(), 1), 0);
    EXPECT_TRUE(exists(folder.file(L"keep\\inner\\device.sys")));
    EXPECT_FALSE(exists(folder.file(L"top.txt")));
    EXPECT_FALSE(exists(folder.file(L"keep\\other.txt")));
    EXPECT_FALSE(exists(folder.file(L"gone")));
}

TEST(FolderCleaning, AReadOnlyFileIsDeletedAfterItsAttributesAreReset)
{
    test::ScratchFolder folder(L"clean-readonly");
    makeFile(folder.file(L"locked.txt"), FILE_ATTRIBUTE_READONLY);
    // Without the reset the delete would fail, even for an administrator.
    ASSERT_FALSE(DeleteFileW(folder.file(L"locked.txt").c_str()));
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    EXPECT_EQ(cleanFolder(folder.path().c_str(), 0), 1);
    EXPECT_FALSE(exists(folder.path()));
}

TEST(FolderCleaning, AMissingFolderIsNotCreated)
{
    test::ScratchFolder parent(L"clean-missing");
    std::wstring missing = parent.file(L"absent");
    EXPECT_EQ(cleanFolder(missing.c_str(), 1), 0);
    EXPECT_FALSE(exists(missing));
}

TEST(FolderCleaning, ATrailingBackslashIsTakenAsTheSameFolder)
{
    test::ScratchFolder folder(L"clean-slash");
    makeFile(folder.file(L"a.txt"));
    makeFolder(folder.file(L"sub"));
    makeFile(folder.file(L"sub\\b.txt"));
    std::wstring withBackslash = folder.path() + L"\\";

    EXPECT_EQ(cleanFolder(withBackslash.c_str(), 1), 1);
    EXPECT_FALSE(exists(folder.path()));
}

// A cleaning that went wrong here would delete the device's own files, so
// only the files directly in the root and in the current folder are at stake
// (no recursion), and each carries a marker that must survive.
TEST(FolderCleaning, AnEmptyPathOrTheDeviceRootIsRefused)
{
    const std::wstring rootMarker = L"C:\\morvane-root-marker.txt";
    const std::wstring currentMarker = L"C:\\tests\\morvane-current-marker.txt";
    makeFile(rootMarker);
    makeFile(currentMarker);

    for (const wchar_t* root : {L"", L"\\", L"/", L"C:", L"c:\\", L"C:/", L"\\\\", L"\\.\\",
                                L"\\windows\\..", L"C:\\tests\\..\\", L"\\\\?\\C:\\"}) {
        EXPECT_EQ(cleanFolder(root, 0), 0) << "\"" << root << "\"";
        EXPECT_TRUE(exists(rootMarker)) << "\"" << root << "\"";
        EXPECT_TRUE(exists(currentMarker)) << "\"" << root << "\"";
    }
    DeleteFileW(rootMarker.c_str());
    DeleteFileW(currentMarker.c_str());
}

TEST(FolderCleaning, TellsTheDeviceRootFromTheFoldersBelowIt)
{
    for (const wchar_t* root : {L"", L"\\", L"/", L"C:", L"C:\\", L"z:/", L"\\\\\\", L".",
                                L"\\..\\..", L"\\Windows\\..", L"\\Windows\\.\\..\\",
                                L"\\Windows\\...", L"Windows\\..", L"\\\\?\\C:\\", L"\\\\.\\C:"})
        EXPECT_TRUE(namesDeviceRoot(root)) << "\"" << root << "\"";
    for (const wchar_t* below : {L"\\Windows", L"C:\\tests", L"\\My Documents\\", L"/temp",
                                 L"\\a\\..\\b", L"\\..\\Windows", L"C:..\\Temp", L"Temp",
                                 L"\\\\?\\C:\\Temp", L"\\.hidden"})
        EXPECT_FALSE(namesDeviceRoot(below)) << "\"" << below << "\"";
}

// A path cut short to fit would name another file: here a system file that
// must never be deleted.
TEST(FolderCleaning, AnEntryWhosePathWouldNotFitIsSkippedNotCut)
{
    test::ScratchFolder folder(L"clean-long");
    size_t room = 259 - folder.path().size() - 1;   // name characters that still fit
    std::wstring longName(room + 5, L'n');
    std::wstring cutName = longName.substr(0, room);
    makeFile(folder.file(longName));
    makeFile(folder.file(cutName), FILE_ATTRIBUTE_SYSTEM);
    makeFile(folder.file(L"ordinary.txt"));
    ASSERT_EQ(folder.file(cutName).size(), 259u);

    EXPECT_EQ(cleanFolder(folder.path().c_str(), 1), 0);
    EXPECT_TRUE(exists(folder.file(cutName)));
    EXPECT_TRUE(exists(folder.file(longName)));
    EXPECT_FALSE(exists(folder.file(L"ordinary.txt")));
}

TEST(FolderCleaning, AppendsABackslashOnlyWhenMissingAndOnlyWhenItFits)
{
    wchar_t path[260] = L"\\Temp";
    EXPECT_TRUE(appendBackslash(path, std::size(path)));
    EXPECT_STREQ(path, L"\\Temp\\");
    EXPECT_TRUE(appendBackslash(path, std::size(path)));
    EXPECT_STREQ(path, L"\\Temp\\");

    wchar_t empty[260] = L"";
    EXPECT_TRUE(appendBackslash(empty, std::size(empty)));
    EXPECT_STREQ(empty, L"\\");

    wchar_t full[260];
    std::wstring longest(259, L'x');
    wcscpy(full, longest.c_str());
    EXPECT_FALSE(appendBackslash(full, std::size(full)));
    EXPECT_EQ(std::wstring(full), longest);
    full[258] = L'\0';
    EXPECT_TRUE(appendBackslash(full, std::size(full)));
    EXPECT_EQ(std::wstring(full), std::wstring(258, L'x') + L"\\");
}

// The drive here is a host folder, where a link can be planted and removed
// the host's way (the platform's own CreateSymbolicLinkW makes none that a
// listing shows, and its DeleteFileW on a file link deletes the target).
bool runHostCommand(const char* command, const std::wstring& first, const std::wstring& second = L"")
{
    using UnixName = char*(CDECL*)(const wchar_t*);
    auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixName) return false;
    std::string line = command;
    for (const std::wstring* path : {&first, &second}) {
        if (path->empty()) continue;
        char* name = unixName(path->c_str());
        if (!name) return false;
        line += std::string(" \"") + name + "\"";   // quoted the Windows way
        HeapFree(GetProcessHeap(), 0, name);
    }
    std::wstring wide(line.begin(), line.end());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, wide.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    // The handle of a host program does not wait for its end: callers wait
    // for its effect.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

bool plantLink(const std::wstring& link, const std::wstring& target)
{
    return runHostCommand("/bin/ln -s", target, link) && test::waitUntil([&] { return exists(link); });
}

void removeLink(const std::wstring& link)
{
    runHostCommand("/bin/rm -f", link);
    test::waitUntil([&] { return !exists(link); });
}

// Links inside a folder being cleaned lead out of it: neither the folder they
// point to nor a file they point to may lose anything, read-only attributes
// included; the links themselves stay, so the folder does.
TEST(FolderCleaning, NeverFollowsALinkOutOfTheFolder)
{
    test::ScratchFolder scratch(L"clean-links");
    const std::wstring outside = scratch.file(L"outside");
    const std::wstring cleaned = scratch.file(L"cleaned");
    makeFolder(outside);
    makeFile(outside + L"\\kept.txt");
    makeFile(outside + L"\\locked.txt", FILE_ATTRIBUTE_READONLY);
    makeFolder(outside + L"\\inner");
    makeFile(outside + L"\\inner\\deep.txt");
    makeFolder(cleaned);
    makeFile(cleaned + L"\\ordinary.txt");
    makeFolder(cleaned + L"\\sub");
    ASSERT_TRUE(plantLink(cleaned + L"\\folder link", outside));
    ASSERT_TRUE(plantLink(cleaned + L"\\file link.txt", outside + L"\\kept.txt"));
    ASSERT_TRUE(plantLink(cleaned + L"\\sub\\locked link.txt", outside + L"\\locked.txt"));
    // What the platform shows of them, which the cleaning relies on.
    EXPECT_EQ(GetFileAttributesW((cleaned + L"\\folder link").c_str()),
              static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
    EXPECT_FALSE(GetFileAttributesW((cleaned + L"\\file link.txt").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);

    EXPECT_EQ(cleanFolder(cleaned.c_str(), 1), 0);
    EXPECT_FALSE(exists(cleaned + L"\\ordinary.txt"));
    EXPECT_TRUE(exists(cleaned + L"\\folder link"));
    for (const wchar_t* name : {L"kept.txt", L"locked.txt", L"inner\\deep.txt"})
        EXPECT_TRUE(exists(outside + L"\\" + name)) << name;
    EXPECT_EQ(GetFileAttributesW((outside + L"\\locked.txt").c_str()) & FILE_ATTRIBUTE_READONLY,
              static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));

    // Given the link itself, or a folder reached through it: nothing is touched.
    EXPECT_EQ(cleanFolder((cleaned + L"\\folder link").c_str(), 1), 0);
    EXPECT_EQ(cleanFolder((cleaned + L"\\folder link\\inner").c_str(), 1), 0);
    for (const wchar_t* name : {L"kept.txt", L"locked.txt", L"inner\\deep.txt"})
        EXPECT_TRUE(exists(outside + L"\\" + name)) << name;

    // The scratch folder's own removal would follow the links: they go first.
    for (const wchar_t* link : {L"folder link", L"file link.txt", L"sub\\locked link.txt"})
        removeLink(cleaned + L"\\" + link);
}

} // namespace
