// What every wizard page does alike: the menu bar, the full-screen set-up,
// the "Step %d" caption, the colours, the input panel, and the buttons
// "Cancel", "< Back" and "Next >". A page supplies only what it shows, reads,
// validates and returns; its own dialog procedure hands each message to
// handlePageMessage with its description.
#ifndef MORVANE_WIZARD_PAGE_PROTOCOL_H
#define MORVANE_WIZARD_PAGE_PROTOCOL_H

#include <windows.h>
#include <commctrl.h>

// Results of a page.
constexpr INT_PTR PageNext = 1003;
constexpr INT_PTR PageBack = 1004;
constexpr INT_PTR PageCancel = 2;
constexpr INT_PTR PageFinish = 1037;
// A forward result of 0 keeps the page open (its input was refused).
constexpr INT_PTR PageStays = 0;

struct WizardPage {
    int pageId;                                   // its dialog resource
    void (*fill)(HWND page);                      // controls from wizardCommand
    INT_PTR (*next)(HWND page);                   // read, validate: a forward result or PageStays
    void (*back)(HWND page);                      // read without validating; may be null
    // The page's own buttons and notifications; may be null. Return TRUE when handled.
    INT_PTR (*command)(HWND page, WORD id, WORD code, HWND control);
    INT_PTR (*notify)(HWND page, NMHDR* header);
};

INT_PTR handlePageMessage(const WizardPage& page, HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Shows a page's validation message: caption "Morvane", MB_OK | MB_ICONEXCLAMATION.
void refuse(HWND owner, const wchar_t* text);

// Radio buttons: the first of ids that is checked, or 0.
WORD firstChecked(HWND page, const WORD* ids, size_t count);
template <size_t N>
WORD firstChecked(HWND page, const WORD (&ids)[N]) { return firstChecked(page, ids, N); }

// Reads a control's text into a fixed buffer, cut at its capacity.
template <size_t N>
void readControlText(HWND page, int id, wchar_t (&buffer)[N])
{
    buffer[0] = L'\0';
    GetDlgItemTextW(page, id, buffer, static_cast<int>(N));
    buffer[N - 1] = L'\0';
}

#endif
