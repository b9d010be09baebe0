// The handheld shell's dialog and menu-bar helpers and its shortcut maker.
#ifndef MORVANE_PLATFORM_AYGSHELL_H
#define MORVANE_PLATFORM_AYGSHELL_H

#include <windows.h>

// SHInitDialog
constexpr DWORD SHIDIM_FLAGS = 0x0001;

constexpr DWORD SHIDIF_DONEBUTTON        = 0x0001;
constexpr DWORD SHIDIF_SIZEDLG           = 0x0002;
constexpr DWORD SHIDIF_SIZEDLGFULLSCREEN = 0x0004;
constexpr DWORD SHIDIF_SIPDOWN           = 0x0008;
constexpr DWORD SHIDIF_EMPTYMENU         = 0x0010;

static_assert((SHIDIF_DONEBUTTON | SHIDIF_SIPDOWN | SHIDIF_EMPTYMENU) == 25, "main dialog flags");
static_assert((SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN) == 13, "about box flags");
static_assert((SHIDIF_DONEBUTTON | SHIDIF_SIZEDLG | SHIDIF_SIPDOWN) == 11, "command list flags");
static_assert((SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN) == 12, "wizard frame flags");
static_assert((SHIDIF_SIZEDLG | SHIDIF_SIPDOWN) == 10, "wizard page flags");
static_assert(SHIDIF_SIPDOWN == 8, "message window flags");

struct SHINITDLGINFO {
    DWORD dwMask;
    HWND  hDlg;
    DWORD dwFlags;
};
using PSHINITDLGINFO = SHINITDLGINFO*;

// SHIDIF_SIPDOWN lowers the input panel. SHIDIF_SIZEDLGFULLSCREEN sizes the
// dialog to the screen's work area, for good; SHIDIF_SIZEDLG to the part of
// it above the input panel, and SHHandleWMSettingChange keeps it there as
// the panel moves.
BOOL SHInitDialog(PSHINITDLGINFO pshidi);

// SHCreateMenuBar. cbSize names the version of the record: 32 is the handheld
// record that ends with hwndMB (the size it has with 32-bit handles), which is
// what callers pass whatever the width of a handle in this build.
constexpr DWORD SHMENUBARINFO_RECORD_SIZE = 32;

struct SHMENUBARINFO {
    DWORD     cbSize;
    HWND      hwndParent;
    DWORD     dwFlags;
    UINT      nToolBarId;   // RCDATA table of the bar's buttons, and its menu
    HINSTANCE hInstRes;
    int       nBmpId;
    int       cBmpImages;
    HWND      hwndMB;       // out: the menu bar
};
using PSHMENUBARINFO = SHMENUBARINFO*;

BOOL SHCreateMenuBar(PSHMENUBARINFO pmbi);

// SHHandleWMSettingChange: on the input panel's move (SPI_SETSIPINFO), fits a
// window that SHInitDialog sized with SHIDIF_SIZEDLG into the space above the
// panel, or the whole work area when it is down, and notes in the record
// (the caller's, shared by the windows it passes) whether the panel is up.
struct SHACTIVATEINFO {
    DWORD cbSize;
    HWND  hwndLastFocus;
    UINT  fSipUp : 1;
    UINT  fSipOnDeactivation : 1;
    UINT  fActive : 1;
    UINT  fReserved : 29;
};
using PSHACTIVATEINFO = SHACTIVATEINFO*;

BOOL SHHandleWMSettingChange(HWND hwnd, WPARAM wParam, LPARAM lParam, PSHACTIVATEINFO psai);

// Writes a shortcut file in the handheld's text form: the target's length in
// decimal, "#", the target (a path, optionally quoted, then any arguments).
// Fails when the shortcut file already exists.
BOOL SHCreateShortcut(const wchar_t* szShortcut, const wchar_t* szTarget);

#endif
