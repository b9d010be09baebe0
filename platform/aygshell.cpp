// The handheld shell's dialog helpers on the device screen.
#include "platform/aygshell.h"
#include "platform/device.h"
#include "platform/device_paths.h"
#include "platform/input_panel.h"
#include "platform/scoped.h"

#include <commctrl.h>
#include <cstdio>
#include <cwchar>
#include <iterator>

namespace {

// Marks a window that SHInitDialog sized with SHIDIF_SIZEDLG: the one kind
// that SHHandleWMSettingChange keeps above the input panel. A window's
// properties go with it.
constexpr wchar_t FitsAbovePanel[] = L"ShellFitsAbovePanel";

void moveTo(HWND window, const RECT& area, BOOL repaint)
{
    MoveWindow(window, area.left, area.top, area.right - area.left, area.bottom - area.top, repaint);
}

} // namespace

BOOL SHInitDialog(PSHINITDLGINFO pshidi)
{
    if (!pshidi || !IsWindow(pshidi->hDlg)) return FALSE;
    if (!(pshidi->dwMask & SHIDIM_FLAGS)) return TRUE;

    const DWORD flags = pshidi->dwFlags;
    if (flags & SHIDIF_SIPDOWN) input_panel::show(false);
    if (flags & SHIDIF_SIZEDLGFULLSCREEN) {
        RECT work;
        if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) return FALSE;
        moveTo(pshidi->hDlg, work, FALSE);
    } else if (flags & SHIDIF_SIZEDLG) {
        // The panel that this very call lowers goes down a moment later.
        RECT area;
        if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) return FALSE;
        if (!(flags & SHIDIF_SIPDOWN)) area = input_panel::spaceAbove();
        moveTo(pshidi->hDlg, area, FALSE);
        SetPropW(pshidi->hDlg, FitsAbovePanel, reinterpret_cast<HANDLE>(1));
    }
    // The Done button is the caption's close box, which every dialog of the
    // device has.
    return TRUE;
}

namespace {

// The button table of a menu bar resource: menu id, button count, then seven
// 16-bit words per button.
struct MenuBarButton {
    WORD image;
    WORD command;
    WORD state;
    WORD style;
    WORD captionString;
    WORD reserved;
    WORD submenu;
};

} // namespace

BOOL SHCreateMenuBar(PSHMENUBARINFO pmbi)
{
    if (!pmbi || (pmbi->cbSize != SHMENUBARINFO_RECORD_SIZE && pmbi->cbSize != sizeof *pmbi) ||
        !IsWindow(pmbi->hwndParent))
        return FALSE;
    pmbi->hwndMB = nullptr;

    HRSRC found = FindResourceW(pmbi->hInstRes, MAKEINTRESOURCEW(pmbi->nToolBarId),
                                MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!found) return FALSE;
    DWORD size = SizeofResource(pmbi->hInstRes, found);
    const WORD* table = static_cast<const WORD*>(LockResource(LoadResource(pmbi->hInstRes, found)));
    if (!table || size < 2 * sizeof(WORD)) return FALSE;
    WORD count = table[1];
    if (size < 2 * sizeof(WORD) + count * sizeof(MenuBarButton)) return FALSE;
    const auto* buttons = reinterpret_cast<const MenuBarButton*>(table + 2);

    // The bar is a tool bar along the bottom of its window. It stays hidden:
    // the device screen has no room below the dialogs, and its button carries
    // no command anyone handles.
    HWND bar = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"", WS_CHILD | CCS_BOTTOM | TBSTYLE_LIST, 0, 0,
                               0, 0, pmbi->hwndParent, nullptr, pmbi->hInstRes, nullptr);
    if (!bar) return FALSE;
    SendMessageW(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    for (WORD i = 0; i < count; ++i) {
        wchar_t caption[64] = L"";
        LoadStringW(pmbi->hInstRes, buttons[i].captionString, caption, std::size(caption));
        TBBUTTON button{};
        button.iBitmap = I_IMAGENONE;
        button.idCommand = buttons[i].command;
        button.fsState = static_cast<BYTE>(buttons[i].state);
        button.fsStyle = static_cast<BYTE>(buttons[i].style);
        button.iString = reinterpret_cast<INT_PTR>(caption);
        SendMessageW(bar, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button));
    }
    pmbi->hwndMB = bar;
    return TRUE;
}

BOOL SHHandleWMSettingChange(HWND hwnd, WPARAM wParam, LPARAM, PSHACTIVATEINFO psai)
{
    if (!IsWindow(hwnd) || !psai || psai->cbSize != sizeof *psai) return FALSE;
    if (wParam != SPI_SETSIPINFO) return TRUE;
    // Asked afresh: the panel may have moved again since it sent this.
    const RECT area = input_panel::spaceAbove();
    psai->fSipUp = input_panel::isUp(nullptr) ? 1 : 0;
    if (!GetPropW(hwnd, FitsAbovePanel)) return TRUE;
    RECT now;
    GetWindowRect(hwnd, &now);
    if (!EqualRect(&now, &area)) moveTo(hwnd, area, TRUE);
    return TRUE;
}

namespace {

// Whether the program a shortcut's target starts (its first token, quoted or
// not) is one of the device's.
bool startsOnDevice(const wchar_t* target)
{
    wchar_t program[MAX_PATH];
    const wchar_t* start = target[0] == L'"' ? target + 1 : target;
    size_t length = 0;
    while (start[length] && start[length] != (target[0] == L'"' ? L'"' : L' ')) ++length;
    if (length >= std::size(program)) return false;
    wmemcpy(program, start, length);
    program[length] = L'\0';
    return liesOnDevice(program);
}

} // namespace

BOOL SHCreateShortcut(const wchar_t* szShortcut, const wchar_t* szTarget)
{
    if (!szShortcut || !szTarget || !*szTarget) return FALSE;
    // A shortcut runs its target at every boot: neither may lie off the device.
    if (!startsOnDevice(szTarget)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    // "<length>#<target>", in the code page of the device, as one block.
    const size_t length = wcslen(szTarget);
    constexpr size_t Prefix = 24;   // the length in digits and the "#"
    if (length > 32767) return FALSE;   // longer than any command line
    ScopedHeapMemory<wchar_t> wide = heapArray<wchar_t>(Prefix + length + 1);
    if (!wide) return FALSE;
    wchar_t* text = wide.get();
    int chars = swprintf(text, Prefix + length + 1, L"%u#%ls", static_cast<unsigned>(length), szTarget);
    if (chars < 0) return FALSE;

    int bytes = WideCharToMultiByte(CP_ACP, 0, text, chars, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return FALSE;
    ScopedHeapMemory<char> narrow = heapArray<char>(static_cast<size_t>(bytes));
    if (!narrow) return FALSE;
    WideCharToMultiByte(CP_ACP, 0, text, chars, narrow.get(), bytes, nullptr, nullptr);

    ScopedHandle file(ce::CreateFileW(szShortcut, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return FALSE;
    DWORD written = 0;
    if (!WriteFile(file.get(), narrow.get(), static_cast<DWORD>(bytes), &written, nullptr) ||
        written != static_cast<DWORD>(bytes)) {
        file.reset();
        ce::DeleteFileW(szShortcut);
        return FALSE;
    }
    return TRUE;
}
