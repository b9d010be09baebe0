// The handheld's message box and its activation rule on the desktop's
// windows (see modal.h).
#include "platform/modal.h"
#include "platform/scoped.h"

#include <algorithm>
#include <cwchar>
#include <iterator>

namespace {

// The box keeps this much of the screen free on each side.
constexpr int ScreenMargin = 4;
// A message box's text is its static control 0xFFFF.
constexpr int BoxTextId = 0xFFFF;
// Room around the caption's text besides its close box.
constexpr int CaptionPadding = 12;
// A box has at most three buttons and "Help".
constexpr int MostButtons = 4;

// One hook for the thread while any box of it is opening; boxes not yet
// fitted are counted, so that a dialog that a box's own message loop opens
// meanwhile is never taken for one. Plain statics: a program's windows all
// live on its one thread, and thread-local storage would bring a threads
// library into the program.
HHOOK fitHook = nullptr;
int boxesOpening = 0;
int boxesUp = 0;

int width(const RECT& r) { return r.right - r.left; }
int height(const RECT& r) { return r.bottom - r.top; }

RECT rectInParent(HWND parent, HWND child)
{
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool hasStyle(HWND window, LONG style) { return (GetWindowLongW(window, GWL_STYLE) & style) == style; }

// A window's text, whatever its length; none when memory runs out.
ScopedHeapMemory<wchar_t> windowText(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    ScopedHeapMemory<wchar_t> text = heapArray<wchar_t>(static_cast<size_t>(length) + 1);
    if (text) GetWindowTextW(window, text.get(), length + 1);
    return text;
}

// The size text takes in font when wrapped at wrapWidth (0: on one line).
SIZE measure(HWND window, HFONT font, const ScopedHeapMemory<wchar_t>& text, int wrapWidth)
{
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, font);
    RECT r{0, 0, wrapWidth, 0};
    UINT flags = DT_LEFT | DT_EXPANDTABS | DT_NOPREFIX | DT_CALCRECT;
    if (wrapWidth > 0) flags |= DT_WORDBREAK;
    DrawTextW(dc, text ? text.get() : L"", -1, &r, flags);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return SIZE{r.right, r.bottom};
}

// The client width the caption needs: its text in the caption font and the
// close box.
int captionWidth(HWND box)
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return 0;
    HFONT font = CreateFontIndirectW(&metrics.lfCaptionFont);
    if (!font) return 0;
    const SIZE text = measure(box, font, windowText(box), 0);
    DeleteObject(font);
    return text.cx + metrics.iCaptionWidth + CaptionPadding;
}

bool isBoxButton(HWND child)
{
    const int id = GetDlgCtrlID(child);
    return ((id >= IDOK && id <= IDCONTINUE) || id == IDHELP) && hasStyle(child, WS_VISIBLE);
}

bool isShownIcon(HWND child)
{
    return (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && hasStyle(child, WS_VISIBLE) &&
           SendMessageW(child, STM_GETICON, 0, 0) != 0;
}

// Lays the box out again as the handheld does: the text wrapped to what the
// work area leaves, the box as wide as its text, buttons or caption need,
// the buttons in a row below the text, all centred on the work area.
void fitToScreen(HWND box)
{
    HWND text = GetDlgItem(box, BoxTextId);
    RECT work{};
    if (!text || !SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) return;
    RECT outer{}, client{};
    GetWindowRect(box, &outer);
    GetClientRect(box, &client);
    const int frameWidth = width(outer) - width(client);
    const int frameHeight = height(outer) - height(client);
    const int widest = width(work) - 2 * ScreenMargin - frameWidth;

    HWND icon = nullptr;
    HWND buttons[MostButtons];
    int count = 0;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (isShownIcon(child)) icon = child;
        if (isBoxButton(child) && count < MostButtons) buttons[count++] = child;
    }
    // Left to right, as they stand.
    for (int i = 1; i < count; ++i)
        for (int j = i; j > 0 && rectInParent(box, buttons[j]).left < rectInParent(box, buttons[j - 1]).left; --j)
            std::swap(buttons[j], buttons[j - 1]);

    const RECT textRect = rectInParent(box, text);
    const RECT iconRect = icon ? rectInParent(box, icon) : RECT{};
    // The box's left margin, kept on the right as well.
    const int margin = icon ? iconRect.left : textRect.left;
    const int textLeft = textRect.left;
    RECT buttonRect = count ? rectInParent(box, buttons[0]) : RECT{};
    int buttonWidth = width(buttonRect), gap = buttonWidth / 3;
    if (count > 1) gap = rectInParent(box, buttons[1]).left - buttonRect.right;
    auto rowWidth = [&] { return count * buttonWidth + (count + 1) * gap; };

    const SIZE wrapped = measure(text, reinterpret_cast<HFONT>(SendMessageW(text, WM_GETFONT, 0, 0)),
                                 windowText(text), widest - textLeft - margin);
    const int clientWidth =
        std::min(widest, std::max({textLeft + static_cast<int>(wrapped.cx) + margin, rowWidth(), captionWidth(box)}));
    // Buttons that would not fit share the room there is.
    if (count && rowWidth() > clientWidth) {
        gap = std::max(2, (clientWidth - count * buttonWidth) / (count + 1));
        if (rowWidth() > clientWidth) buttonWidth = (clientWidth - (count + 1) * gap) / count;
    }

    // Text and icon share a band; the buttons stand below it.
    const int band = 16 + std::max(icon ? height(iconRect) : 0, static_cast<int>(wrapped.cy));
    const int boxWidth = clientWidth + frameWidth;
    const int boxHeight = std::min(height(work), band + height(buttonRect) + 8 + frameHeight);
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    SetWindowPos(box, nullptr, work.left + (width(work) - boxWidth) / 2, work.top + (height(work) - boxHeight) / 2,
                 boxWidth, boxHeight, flags);
    SetWindowPos(text, nullptr, textLeft, (band - wrapped.cy) / 2, clientWidth - textLeft - margin, wrapped.cy,
                 flags);
    if (icon) SetWindowPos(icon, nullptr, iconRect.left, (band - height(iconRect)) / 2, 0, 0, flags | SWP_NOSIZE);
    int x = (clientWidth - (count * buttonWidth + (count - 1) * gap)) / 2;
    for (int i = 0; i < count; ++i) {
        SetWindowPos(buttons[i], nullptr, x, band, buttonWidth, height(buttonRect), flags);
        x += buttonWidth + gap;
    }
}

LRESULT CALLBACK afterMessage(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* sent = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && sent->message == WM_INITDIALOG && boxesOpening > 0 && GetDlgItem(sent->hwnd, BoxTextId)) {
        --boxesOpening;
        fitToScreen(sent->hwnd);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The next message box of the thread is fitted as it opens.
struct FitNextBox {
    FitNextBox()
    {
        if (boxesUp++ == 0) fitHook = SetWindowsHookExW(WH_CALLWNDPROCRET, afterMessage, nullptr, GetCurrentThreadId());
        ++boxesOpening;
    }
    ~FitNextBox()
    {
        // A box that never opened is not waited for.
        if (boxesOpening > 0) --boxesOpening;
        if (--boxesUp == 0 && fitHook) {
            UnhookWindowsHookEx(fitHook);
            fitHook = nullptr;
        }
    }
    FitNextBox(const FitNextBox&) = delete;
    FitNextBox& operator=(const FitNextBox&) = delete;
};

// The window beneath the innermost modal window of the thread that is up;
// each keeper holds the one beneath the window outside it. The desktop's rule gives the activation of a modal window that hides
// while active to its owner, or, without one, to the next window in the
// z-order, which may be the task bar of another process: whichever activation
// that process carries out last takes the keys. So the window beneath is made
// active before a modal window hides, and the rule has nothing to do. That
// window may not be shown yet (a modal window whose loop began before it
// showed): active, it keeps the activation in this thread, though the keys
// reach only a window that is shown.
HWND innermostBeneath = nullptr;
int keepersUp = 0;
HHOOK hideHook = nullptr;

bool enabled(HWND window) { return window && IsWindow(window) && IsWindowEnabled(window); }

bool takesInput(HWND window)
{
    return enabled(window) && IsWindowVisible(window);
}

bool isDialog(HWND window)
{
    wchar_t name[16] = L"";
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return wcscmp(name, L"#32770") == 0;
}

// A dialog made active before it showed (its focus is placed while it is
// built) did not get the keys then: the focus leaves and comes back, which
// hands them to it now that it shows. Through no other control: a tree view
// that takes the focus selects an item.
void takeKeys(HWND dialog)
{
    HWND focus = GetFocus();
    if (focus != dialog && !IsChild(dialog, focus)) focus = dialog;
    SetFocus(nullptr);
    SetFocus(focus);
}

LRESULT CALLBACK beforeMessage(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code != HC_ACTION || keepersUp == 0 || !isDialog(sent->hwnd) || sent->hwnd != GetActiveWindow())
        return CallNextHookEx(nullptr, code, wParam, lParam);
    const auto* position = reinterpret_cast<const WINDOWPOS*>(sent->lParam);
    HWND beneath = innermostBeneath;
    if (sent->message == WM_WINDOWPOSCHANGING && (position->flags & SWP_HIDEWINDOW) && sent->hwnd != beneath &&
        enabled(beneath))
        SetForegroundWindow(beneath);
    if (sent->message == WM_WINDOWPOSCHANGED && (position->flags & SWP_SHOWWINDOW)) takeKeys(sent->hwnd);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

namespace ce {

int MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType)
{
    ActiveWindowKeeper beneath;
    FitNextBox fit;
    return ::MessageBoxW(hWnd, lpText, lpCaption, uType);
}

ActiveWindowKeeper::ActiveWindowKeeper() : beneath_(GetActiveWindow()), outerBeneath_(innermostBeneath)
{
    if (keepersUp++ == 0) hideHook = SetWindowsHookExW(WH_CALLWNDPROC, beforeMessage, nullptr, GetCurrentThreadId());
    innermostBeneath = beneath_;
}

ActiveWindowKeeper::~ActiveWindowKeeper()
{
    innermostBeneath = outerBeneath_;
    if (--keepersUp == 0 && hideHook) {
        UnhookWindowsHookEx(hideHook);
        hideHook = nullptr;
    }
    // Another window may have been made active meanwhile (a tap elsewhere).
    if (takesInput(beneath_) && GetForegroundWindow() != beneath_) SetForegroundWindow(beneath_);
}

} // namespace ce
