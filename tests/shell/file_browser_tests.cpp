// The file and folder browser, dialog 108, driven the way a user drives it
// over the real folders of the device's drive C:.
#include "shell/file_browser.h"
#include "shell/app_state.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/test_support.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using test::DialogDriver;

// What a message box showed, and who owned it.
struct Shown {
    std::wstring text;
    std::wstring caption;
    HWND owner = nullptr;
    HWND browser = nullptr;
};

class FileBrowserTest : public testing::Test {
protected:
    void SetUp() override
    {
        instanceHandle = GetModuleHandleW(nullptr);
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TREEVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        lastSelectedPath[0] = L'\0';   // as at the start of the program
    }
};

HWND treeOf(HWND dialog) { return GetDlgItem(dialog, IDC_BROWSER_TREE); }

std::wstring itemText(HWND tree, HTREEITEM item)
{
    wchar_t text[PathCapacity] = L"";
    TVITEMW read{};
    read.mask = TVIF_TEXT;
    read.hItem = item;
    read.pszText = text;
    read.cchTextMax = PathCapacity;
    TreeView_GetItem(tree, &read);
    return text;
}

int itemImage(HWND tree, HTREEITEM item)
{
    TVITEMW read{};
    read.mask = TVIF_IMAGE;
    read.hItem = item;
    TreeView_GetItem(tree, &read);
    return read.iImage;
}

std::vector<HTREEITEM> children(HWND tree, HTREEITEM parent)
{
    std::vector<HTREEITEM> items;
    HTREEITEM item = parent ? TreeView_GetChild(tree, parent) : TreeView_GetRoot(tree);
    for (; item; item = TreeView_GetNextSibling(tree, item)) items.push_back(item);
    return items;
}

// The item at a path of names ("tests\browse-1\a.exe"), letter case ignored.
HTREEITEM findItem(HWND tree, const std::wstring& path)
{
    HTREEITEM at = nullptr;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos) end = path.size();
        std::wstring name = path.substr(start, end - start);
        HTREEITEM found = nullptr;
        for (HTREEITEM child : children(tree, at))
            if (_wcsicmp(itemText(tree, child).c_str(), name.c_str()) == 0) found = child;
        if (!found) return nullptr;
        at = found;
        start = end + 1;
    }
    return at;
}

// The user clicks the item.
void select(HWND dialog, const std::wstring& path)
{
    HTREEITEM item = findItem(treeOf(dialog), path);
    if (!item) {
        std::wstring top;
        for (HTREEITEM child : children(treeOf(dialog), nullptr)) top += itemText(treeOf(dialog), child) + L"|";
        ADD_FAILURE() << "no item " << testing::PrintToString(path) << " among " << testing::PrintToString(top);
        return;
    }
    TreeView_SelectItem(treeOf(dialog), item);
}

std::wstring relative(const test::ScratchFolder& folder) { return folder.path().substr(3); }

// A message box answered with OK, its text and owner recorded.
void answerBox(DialogDriver& driver, Shown& shown, HWND& browser)
{
    driver.onDialogWhere(L"a message box", DialogDriver::isMessageBox, [&](HWND box) {
        shown.text = DialogDriver::controlText(box, 0xFFFF);
        shown.caption = DialogDriver::windowText(box);
        shown.owner = GetWindow(box, GW_OWNER);
        shown.browser = browser;
        DialogDriver::pressButton(box, IDOK);
    });
}

TEST_F(FileBrowserTest, FolderBrowseCancelledFirstThenConfirmedThenCancelledAgain)
{
    // The handheld's Start Menu folder, made when the prefix lacks it.
    bool madeStartMenu = CreateDirectoryW(L"C:\\Windows\\Start Menu", nullptr) != 0;

    {
        FileBrowser first;
        wcscpy(first.selectedPath, L"left over");
        DialogDriver cancelling;
        cancelling.onDialog(L"Folder Selection", [](HWND dialog) { DialogDriver::pressButton(dialog, IDCANCEL); });
        EXPECT_EQ(first.BrowseForFolder(nullptr), 2);
        EXPECT_TRUE(cancelling.finished());
        EXPECT_STREQ(first.selectedPath, L"") << "nothing was confirmed yet in this process";
    }

    std::wstring confirmed;
    {
        FileBrowser second;
        HWND browser = nullptr;
        Shown nothingSelected;
        std::wstring group;
        int topLevelImage = -1;
        DialogDriver confirming;
        confirming
            .onDialog(L"Folder Selection",
                      [&](HWND dialog) {
                          browser = dialog;
                          group = DialogDriver::controlText(dialog, IDC_BROWSER_GROUP);
                          HTREEITEM windows = findItem(treeOf(dialog), L"Windows");
                          if (windows) topLevelImage = itemImage(treeOf(dialog), windows);
                          TreeView_SelectItem(treeOf(dialog), nullptr);
                          DialogDriver::pressButton(dialog, IDOK);
                      });
        answerBox(confirming, nothingSelected, browser);
        confirming.onDialog(L"Folder Selection", [](HWND dialog) {
            select(dialog, L"Windows\\Start Menu");
            DialogDriver::pressButton(dialog, IDOK);
        });
        EXPECT_EQ(second.BrowseForFolder(nullptr), 1);
        EXPECT_TRUE(confirming.finished());
        EXPECT_EQ(group, L"Select a folder");
        EXPECT_EQ(topLevelImage, 0);
        EXPECT_EQ(nothingSelected.text, L"Please select a folder before continuing");
        EXPECT_EQ(nothingSelected.caption, L"Morvane");
        EXPECT_EQ(nothingSelected.owner, nullptr);
        // No leading backslash; the platform spells the top folder in its own case.
        EXPECT_EQ(_wcsicmp(second.selectedPath, L"Windows\\Start Menu"), 0) << second.selectedPath;
        EXPECT_STREQ(lastSelectedPath, second.selectedPath);
        confirmed = second.selectedPath;
    }

    FileBrowser third;
    DialogDriver cancellingAgain;
    cancellingAgain.onDialog(L"Folder Selection", [](HWND dialog) {
        select(dialog, L"Windows");
        DialogDriver::pressButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(third.BrowseForFolder(nullptr), 2);
    EXPECT_EQ(std::wstring(third.selectedPath), confirmed) << "Cancel gives the last confirmed path";

    if (madeStartMenu) RemoveDirectoryW(L"C:\\Windows\\Start Menu");
}

TEST_F(FileBrowserTest, FileBrowseListsFilesOfItsExtensionBeforeFoldersAndRefusesAFolder)
{
    test::ScratchFolder folder(L"browse-files");
    for (const wchar_t* name : {L"zeta.exe", L"Alpha.EXE", L"notes.txt", L"exe", L"beta.exe.bak"})
        ASSERT_TRUE(test::writeFileBytes(folder.file(name), "x"));
    for (const wchar_t* name : {L"Aardvark", L"middle.exe.d"})
        ASSERT_TRUE(CreateDirectoryW(folder.file(name).c_str(), nullptr));
    ASSERT_TRUE(test::writeFileBytes(folder.file(L"Aardvark\\inner.exe"), "x"));
    const std::wstring base = relative(folder);

    for (const wchar_t* extension : {L"exe", L".exe"}) {
        FileBrowser browser;
        HWND dialog = nullptr;
        Shown refused;
        std::vector<std::wstring> names;
        std::vector<int> images;
        std::wstring group;
        DialogDriver driver;
        driver.onDialog(L"File Selection", [&](HWND shown) {
            dialog = shown;
            group = DialogDriver::controlText(shown, IDC_BROWSER_GROUP);
            HTREEITEM parent = findItem(treeOf(shown), base);
            if (parent) {
                for (HTREEITEM item : children(treeOf(shown), parent)) {
                    names.push_back(itemText(treeOf(shown), item));
                    images.push_back(itemImage(treeOf(shown), item));
                }
            }
            select(shown, base + L"\\Aardvark");
            DialogDriver::pressButton(shown, IDOK);
        });
        answerBox(driver, refused, dialog);
        driver.onDialog(L"File Selection", [&](HWND shown) {
            select(shown, base + L"\\Alpha.EXE");
            DialogDriver::pressButton(shown, IDOK);
        });

        EXPECT_EQ(browser.BrowseForFile(nullptr, extension), 1) << extension;
        EXPECT_TRUE(driver.finished());
        EXPECT_STREQ(fileExtension, L".exe");
        EXPECT_EQ(group, L"Select a file");
        // Files first, by their first three letters; then the folders.
        EXPECT_EQ(names, (std::vector<std::wstring>{L"Alpha.EXE", L"zeta.exe", L"Aardvark", L"middle.exe.d"}));
        EXPECT_EQ(images, (std::vector<int>{1, 1, 0, 0}));
        EXPECT_EQ(refused.text, L"Please select a valid file before continuing");
        EXPECT_EQ(refused.caption, L"Morvane");
        EXPECT_EQ(refused.owner, refused.browser) << "owned by the browser";
        EXPECT_EQ(std::wstring(browser.selectedPath), base + L"\\Alpha.EXE");
    }

    // A fresh browser is a folder browse again: no files in its tree.
    FileBrowser folders;
    size_t shownChildren = 99;
    DialogDriver driver;
    driver.onDialog(L"Folder Selection", [&](HWND shown) {
        if (HTREEITEM parent = findItem(treeOf(shown), base)) shownChildren = children(treeOf(shown), parent).size();
        DialogDriver::pressButton(shown, IDCANCEL);
    });
    EXPECT_EQ(folders.BrowseForFolder(nullptr), 2);
    EXPECT_EQ(shownChildren, 2u);
}

// Folders created and removed through the platform's long-path form.
std::wstring longForm(const std::wstring& path) { return L"\\\\?\\" + path; }

// A tree deeper than a path buffer: what fits shows, what does not is left
// out rather than cut short into the name of another, existing folder.
TEST_F(FileBrowserTest, ATreeDeeperThanAPathShowsWhatFitsAndNothingElse)
{
    test::ScratchFolder folder(L"browse-deep");
    const std::wstring base = relative(folder);
    std::vector<std::wstring> made;   // device paths, shallowest first
    std::wstring at = folder.path();
    const std::wstring level(40, L'd');
    while (at.size() - 3 <= 300) {
        at += L"\\" + level;
        ASSERT_TRUE(CreateDirectoryW(longForm(at).c_str(), nullptr)) << at.size();
        made.push_back(at);
    }
    // Beside the deepest folder that fits, one whose name runs past the
    // limit, and the folder its path would be cut into.
    std::wstring lastFitting;
    for (const std::wstring& path : made)
        if (path.size() - 3 <= 259) lastFitting = path;
    size_t room = 259 - (lastFitting.size() - 3) - 1;
    std::wstring longName(room + 6, L'x');
    ASSERT_TRUE(CreateDirectoryW(longForm(lastFitting + L"\\" + longName).c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(longForm(lastFitting + L"\\" + longName.substr(0, room)).c_str(), nullptr));
    ASSERT_TRUE(test::writeFileBytes(longForm(lastFitting + L"\\" + longName.substr(0, room - 4) + L".exe"), "x"));

    FileBrowser browser;
    std::vector<std::wstring> shownPaths;   // under the scratch folder, as the tree gives them
    DialogDriver driver;
    driver.onDialog(L"File Selection", [&](HWND dialog) {
        HWND tree = treeOf(dialog);
        std::vector<std::pair<HTREEITEM, std::wstring>> pending{{findItem(tree, base), base}};
        while (!pending.empty() && pending.back().first) {
            auto [item, path] = pending.back();
            pending.pop_back();
            for (HTREEITEM child : children(tree, item)) {
                std::wstring childPath = path + L"\\" + itemText(tree, child);
                shownPaths.push_back(childPath);
                pending.push_back({child, childPath});
            }
        }
        select(dialog, lastFitting.substr(3) + L"\\" + longName.substr(0, room - 4) + L".exe");
        DialogDriver::pressButton(dialog, IDOK);
    });
    EXPECT_EQ(browser.BrowseForFile(nullptr, L"exe"), 1);
    EXPECT_TRUE(driver.finished());

    std::vector<std::wstring> expected;
    for (const std::wstring& path : made)
        if (path.size() - 3 <= 259) expected.push_back(path.substr(3));
    expected.push_back(lastFitting.substr(3) + L"\\" + longName.substr(0, room - 4) + L".exe");
    expected.push_back(lastFitting.substr(3) + L"\\" + longName.substr(0, room));
    EXPECT_EQ(shownPaths, expected);
    EXPECT_EQ(std::wstring(browser.selectedPath), expected[expected.size() - 2]);
    EXPECT_EQ(std::wstring(browser.selectedPath).size(), 259u);

    // The scratch folder's removal knows no long paths: the deep part goes here.
    DeleteFileW(longForm(lastFitting + L"\\" + longName.substr(0, room - 4) + L".exe").c_str());
    RemoveDirectoryW(longForm(lastFitting + L"\\" + longName).c_str());
    RemoveDirectoryW(longForm(lastFitting + L"\\" + longName.substr(0, room)).c_str());
    for (auto path = made.rbegin(); path != made.rend(); ++path) RemoveDirectoryW(longForm(*path).c_str());
}

} // namespace
