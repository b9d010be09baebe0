// Dialog 108. The tree is filled once, depth first, before the dialog shows;
// each level of the walk holds its own path, pattern and listing record on
// the stack. Paths in the tree are relative to the device's root.
#include "shell/file_browser.h"
#include "platform/aygshell.h"
#include "platform/modal.h"
#include "platform/scoped.h"
#include "platform/text.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/dialog_keys.h"
#include "shell/dialog_resource.h"

#include <commctrl.h>
#include <shellapi.h>
#include <cwctype>
#include <iterator>

int browseForFile = 0;
wchar_t fileExtension[FileExtensionCapacity] = L"";
wchar_t lastSelectedPath[PathCapacity] = L"";

namespace {

constexpr int FolderImage = 0;
constexpr int FileImage = 1;
constexpr LPARAM FolderKind = 1;


// The tree view never frees its image list; the dialog does, when it ends.
ScopedImageList treeImages;

bool isThisOrParent(const wchar_t* name)
{
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

bool hasFileExtension(const wchar_t* name)
{
    const wchar_t* dot = wcsrchr(name, L'.');
    return dot && _wcsicmp(dot, fileExtension) == 0;
}

// Kind in the top byte (folders after files), then the first three letters.
LPARAM sortKey(const wchar_t* name, LPARAM kind)
{
    DWORD key = static_cast<DWORD>(kind) << 24;
    for (int i = 0, shift = 16; i < 3 && name[i]; ++i, shift -= 8)
        key |= static_cast<DWORD>(static_cast<BYTE>(towupper(name[i]))) << shift;
    return static_cast<LPARAM>(key);
}

// Never reports two keys equal.
int CALLBACK compareKeys(LPARAM first, LPARAM second, LPARAM)
{
    return first > second ? 1 : -1;
}

HTREEITEM insertItem(HWND tree, HTREEITEM parent, const wchar_t* name, int image, LPARAM key)
{
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    insert.item.pszText = const_cast<wchar_t*>(name);
    insert.item.iImage = image;
    insert.item.iSelectedImage = image;
    insert.item.lParam = key;
    return TreeView_InsertItem(tree, &insert);
}

// Inserts the entries of folder (its path from the root; empty for the root
// itself) under parent, each subfolder filled the same way and then sorted.
// An entry whose path would not fit in a path buffer is left out, so every
// path the tree can give names exactly the item shown. Links (the device has
// none, a host folder may) are never followed.
void fillFolder(HWND tree, HTREEITEM parent, const wchar_t* folder)
{
    // "\", the path and "\*.*". The leading backslash makes the listing start
    // at the root whatever the current folder (the device has none).
    wchar_t pattern[PathCapacity + 5];
    if (!copyText(pattern, L"\\") || !appendText(pattern, folder) ||
        !appendText(pattern, folder[0] ? L"\\*.*" : L"*.*"))
        return;

    WIN32_FIND_DATAW entry;
    ScopedFind listing(FindFirstFileW(pattern, &entry));
    if (!listing) return;
    do {
        if (isThisOrParent(entry.cFileName)) continue;
        wchar_t path[PathCapacity];
        if (folder[0] == L'\0') {
            if (!copyText(path, entry.cFileName)) continue;
        } else if (!copyText(path, folder) || !appendText(path, L"\\") ||
                   !appendText(path, entry.cFileName)) {
            continue;
        }
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
            HTREEITEM item = insertItem(tree, parent, entry.cFileName, FolderImage,
                                        sortKey(entry.cFileName, FolderKind));
            if (!item) continue;
            fillFolder(tree, item, path);
            TVSORTCB sort{item, compareKeys, 0};
            TreeView_SortChildrenCB(tree, &sort, FALSE);
        } else if (browseForFile && hasFileExtension(entry.cFileName)) {
            insertItem(tree, parent, entry.cFileName, FileImage, sortKey(entry.cFileName, 0));
        }
    } while (FindNextFileW(listing.get(), &entry));
}

// The item's text after those of its ancestors, joined by "\". False when it
// does not fit (no item of a filled tree is so deep).
bool itemPath(HWND tree, HTREEITEM item, wchar_t (&path)[PathCapacity])
{
    HTREEITEM chain[PathCapacity / 2];   // each level adds at least two characters
    size_t depth = 0;
    for (HTREEITEM at = item; at; at = TreeView_GetParent(tree, at)) {
        if (depth == std::size(chain)) return false;
        chain[depth++] = at;
    }
    path[0] = L'\0';
    while (depth > 0) {
        wchar_t name[PathCapacity];
        TVITEMW read{};
        read.mask = TVIF_TEXT;
        read.hItem = chain[--depth];
        read.pszText = name;
        read.cchTextMax = static_cast<int>(std::size(name));
        if (!TreeView_GetItem(tree, &read)) return false;
        if (path[0] != L'\0' && !appendText(path, L"\\")) return false;
        if (!appendText(path, name)) return false;
    }
    return true;
}

void showExclamation(HWND owner, const wchar_t* text)
{
    ce::MessageBoxW(owner, text, L"Morvane", MB_OK | MB_ICONEXCLAMATION);
}

// The template is small; full screen, the tree takes the room above the buttons.
void layOut(HWND dialog)
{
    RECT client;
    GetClientRect(dialog, &client);
    RECT units{4, 4, 50, 14};   // margin, gap, button width and height
    MapDialogRect(dialog, &units);
    int margin = units.left, width = units.right, height = units.bottom;
    int buttonTop = client.bottom - margin - height;
    int centre = client.right / 2;
    MoveWindow(GetDlgItem(dialog, IDOK), centre - margin / 2 - width, buttonTop, width, height, FALSE);
    MoveWindow(GetDlgItem(dialog, IDCANCEL), centre + margin / 2, buttonTop, width, height, FALSE);
    int groupBottom = buttonTop - margin;
    MoveWindow(GetDlgItem(dialog, IDC_BROWSER_GROUP), margin, margin / 2, client.right - 2 * margin,
               groupBottom - margin / 2, FALSE);
    int treeTop = margin / 2 + 3 * margin;
    MoveWindow(GetDlgItem(dialog, IDC_BROWSER_TREE), 2 * margin, treeTop, client.right - 4 * margin,
               groupBottom - margin - treeTop, FALSE);
}

bool makeImages(HWND tree)
{
    SHFILEINFOW info{};
    auto system = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(L"", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    if (!system) return false;
    int width = 16, height = 16;
    ImageList_GetIconSize(system, &width, &height);
    treeImages.reset(ImageList_Create(width, height, ILC_MASK | ILC_COLOR32, 3, 3));
    if (!treeImages) return false;

    // The icon of a folder, asked for by its attributes: the platform gives
    // no icon for the root "\\" itself (measured), and with a missing first
    // image every later one would shift into its place.
    SHFILEINFOW folder{};
    SHGetFileInfoW(L"\\", FILE_ATTRIBUTE_DIRECTORY, &folder, sizeof folder,
                   SHGFI_USEFILEATTRIBUTES | SHGFI_ICON | SHGFI_SMALLICON);
    ImageList_AddIcon(treeImages.get(), folder.hIcon);
    if (browseForFile) {
        SHFILEINFOW file{};
        SHGetFileInfoW(fileExtension, FILE_ATTRIBUTE_NORMAL, &file, sizeof file,
                       SHGFI_USEFILEATTRIBUTES | SHGFI_ICON | SHGFI_SMALLICON);
        ImageList_AddIcon(treeImages.get(), file.hIcon);
        if (file.hIcon) DestroyIcon(file.hIcon);
    } else {
        ImageList_AddIcon(treeImages.get(), folder.hIcon);
    }
    if (folder.hIcon) DestroyIcon(folder.hIcon);
    TreeView_SetImageList(tree, treeImages.get(), TVSIL_NORMAL);
    return true;
}

void onInitDialog(HWND dialog)
{
    SHINITDLGINFO init{};
    init.dwMask = SHIDIM_FLAGS;
    init.hDlg = dialog;
    init.dwFlags = SHIDIF_SIZEDLG | SHIDIF_SIPDOWN;
    SHInitDialog(&init);
    layOut(dialog);

    HWND tree = GetDlgItem(dialog, IDC_BROWSER_TREE);
    if (!makeImages(tree)) return;
    // One redraw at the end rather than one per item.
    SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
    fillFolder(tree, TVI_ROOT, L"");
    SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(tree, nullptr, TRUE);

    SetWindowTextW(dialog, browseForFile ? L"File Selection" : L"Folder Selection");
    SetDlgItemTextW(dialog, IDC_BROWSER_GROUP, browseForFile ? L"Select a file" : L"Select a folder");
}

void onOk(HWND dialog)
{
    HWND tree = GetDlgItem(dialog, IDC_BROWSER_TREE);
    HTREEITEM selected = TreeView_GetSelection(tree);
    if (!selected) {
        showExclamation(nullptr, browseForFile ? L"Please select a file before continuing"
                                               : L"Please select a folder before continuing");
        return;
    }
    wchar_t path[PathCapacity];
    if (!itemPath(tree, selected, path)) return;
    if (browseForFile && !hasFileExtension(path)) {
        showExclamation(dialog, L"Please select a valid file before continuing");
        return;
    }
    copyText(lastSelectedPath, path);
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK browserProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        onInitDialog(dialog);
        return focusFirstControl(dialog, IDOK);
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: onOk(dialog); return TRUE;
        case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
        default: return FALSE;
        }
    case WM_DESTROY:
        treeImages.reset();
        return FALSE;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        return dialogColour(wParam);
    default:
        return FALSE;
    }
}

int runBrowser(wchar_t (&selectedPath)[PathCapacity])
{
    INT_PTR result = runDialogResource(IDD_BROWSER, nullptr, browserProcedure);
    if (result == IDOK || result == IDCANCEL) copyText(selectedPath, lastSelectedPath);
    return static_cast<int>(result);
}

} // namespace

FileBrowser::FileBrowser() : selectedPath{}
{
    browseForFile = 0;
}

FileBrowser::~FileBrowser() = default;

int FileBrowser::BrowseForFolder(HWND)
{
    return runBrowser(selectedPath);
}

int FileBrowser::BrowseForFile(HWND, const wchar_t* extension)
{
    browseForFile = 1;
    if (extension[0] == L'.') copyText(fileExtension, extension);
    else if (!copyText(fileExtension, L".") || !appendText(fileExtension, extension)) fileExtension[0] = L'\0';
    return runBrowser(selectedPath);
}
