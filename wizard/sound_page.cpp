// The sound a PlaySound command plays, chosen among the ".wav" files of
// \Windows, and how many times in a row. "Test" plays it as the command will.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <cstdio>
#include <iterator>
#include "platform/scoped.h"
#include "platform/sound.h"
#include "platform/text.h"
#include "resources/resource.h"
#include "wizard/page_protocol.h"
#include "wizard/wizard_pages.h"
#include "wizard/wizard_state.h"

namespace {

constexpr int RepeatMinimum = 1;
constexpr int RepeatMaximum = 1000;

// A tree view never frees its image list: the page frees it when it closes.
ScopedImageList soundImages;

HWND soundTree(HWND page)
{
    return GetDlgItem(page, IDC_SOUND_TREE);
}

// One image, the shell's small icon for ".wav" files, at the size of the
// system's small icons.
void attachSoundImage(HWND tree)
{
    SHFILEINFOW info{};
    auto systemImages = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(L"", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    int width = 16, height = 16;
    if (systemImages) ImageList_GetIconSize(systemImages, &width, &height);
    soundImages.reset(ImageList_Create(width, height, ILC_MASK, 3, 3));
    if (!soundImages) return;
    SHFILEINFOW wav{};
    SHGetFileInfoW(L".wav", FILE_ATTRIBUTE_NORMAL, &wav, sizeof(wav),
                   SHGFI_USEFILEATTRIBUTES | SHGFI_ICON | SHGFI_SMALLICON | SHGFI_SYSICONINDEX);
    if (wav.hIcon) {
        ImageList_AddIcon(soundImages.get(), wav.hIcon);
        DestroyIcon(wav.hIcon);
    }
    TreeView_SetImageList(tree, soundImages.get(), TVSIL_NORMAL);
}

HTREEITEM insertSound(HWND tree, wchar_t* name)
{
    TVINSERTSTRUCTW insert{};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_SORT;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = name;
    insert.item.iImage = 0;
    insert.item.iSelectedImage = 0;
    return TreeView_InsertItem(tree, &insert);
}

// The sounds of \Windows by base name, sorted; the one named currentName
// (in any letter case) is selected, or the first when currentName is empty.
void fillSoundList(HWND page, const wchar_t* currentName)
{
    HWND tree = soundTree(page);
    attachSoundImage(tree);
    WIN32_FIND_DATAW found;
    ScopedFind find(FindFirstFileW(L"\\Windows\\*.wav", &found));
    if (find) {
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            wchar_t name[PathCapacity];
            copyText(name, found.cFileName);
            if (wchar_t* dot = wcsrchr(name, L'.')) *dot = L'\0';
            HTREEITEM item = insertSound(tree, name);
            if (item && _wcsicmp(name, currentName) == 0) TreeView_SelectItem(tree, item);
        } while (FindNextFileW(find.get(), &found));
    }
    if (!currentName[0]) TreeView_SelectItem(tree, TreeView_GetRoot(tree));
}

// The selected sound's name into name, or false when none is selected.
template <size_t N>
bool selectedSound(HWND page, wchar_t (&name)[N])
{
    HWND tree = soundTree(page);
    TVITEMW item{};
    item.mask = TVIF_TEXT;
    item.hItem = TreeView_GetSelection(tree);
    item.pszText = name;
    item.cchTextMax = static_cast<int>(N);
    if (!item.hItem || !TreeView_GetItem(tree, &item)) return false;
    name[N - 1] = L'\0';
    return true;
}

// Whatever number is in the box, unchecked against the up-down's range; an
// empty box is 0.
UINT repeatCount(HWND page)
{
    return GetDlgItemInt(page, IDC_SOUND_REPEAT, nullptr, FALSE);
}

void fill(HWND page)
{
    SendDlgItemMessageW(page, IDC_SOUND_REPEAT_SPIN, UDM_SETRANGE32, RepeatMinimum, RepeatMaximum);
    fillSoundList(page, wizardCommand->action.soundName);
    SetDlgItemInt(page, IDC_SOUND_REPEAT, static_cast<UINT>(wizardCommand->action.soundRepeatCount), FALSE);
    // The tree would select its first sound as it takes the focus.
    if (!TreeView_GetSelection(soundTree(page))) SetFocus(GetDlgItem(page, IDC_SOUND_REPEAT));
}

void back(HWND page)
{
    wizardCommand->action.soundRepeatCount = static_cast<int32_t>(repeatCount(page));
    selectedSound(page, wizardCommand->action.soundName);   // with none the name stays
}

// The two messages of this page have no owner window.
INT_PTR next(HWND page)
{
    wchar_t name[PathCapacity];
    if (!selectedSound(page, name)) {
        refuse(nullptr, L"Please select a sound before continuing");
        return PageStays;
    }
    copyText(wizardCommand->action.soundName, name);
    wizardCommand->action.soundRepeatCount = static_cast<int32_t>(repeatCount(page));
    return PageNext;
}

// Plays the selection as many times as the box says, each play to its end;
// the page does not answer meanwhile. Nothing is stored.
void onTest(HWND page)
{
    wchar_t name[PathCapacity];
    if (!selectedSound(page, name)) {
        refuse(nullptr, L"Please select a sound to play.");
        return;
    }
    wchar_t path[PathCapacity];
    int length = swprintf(path, std::size(path), L"\\Windows\\%ls.wav", name);
    // A name too long for the path would play some other file: play nothing.
    if (length < 0 || static_cast<size_t>(length) >= std::size(path)) return;
    for (UINT i = 0, times = repeatCount(page); i < times; ++i)
        ce::sndPlaySoundW(path, SND_SYNC | SND_NODEFAULT);
}

INT_PTR command(HWND page, WORD id, WORD, HWND)
{
    if (id != IDC_SOUND_TEST) return FALSE;
    onTest(page);
    return TRUE;
}

const WizardPage soundPage{IDD_SOUND_PAGE, fill, next, back, command, nullptr};

} // namespace

INT_PTR CALLBACK soundPageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) soundImages.reset();
    return handlePageMessage(soundPage, dialog, message, wParam, lParam);
}
