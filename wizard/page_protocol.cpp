#include "wizard/page_protocol.h"
#include <algorithm>
#include <cstdio>
#include <string_view>
#include <iterator>
#include "commands/command.h"
#include "platform/aygshell.h"
#include "platform/modal.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/dialog_keys.h"
#include "wizard/wizard_state.h"

namespace {

// Disabling a window sends it WM_CANCELMODE: a page that opens a message or a
// dialog of its own (a refusal, the browser) is disabled by it. That is not
// the system cancelling the page, so it must not end the wizard.
int pageHandlerDepth = 0;

struct InPageHandler {
    InPageHandler() { ++pageHandlerDepth; }
    ~InPageHandler() { --pageHandlerDepth; }
    InPageHandler(const InPageHandler&) = delete;
    InPageHandler& operator=(const InPageHandler&) = delete;
};

// What each text box of a page can hold, the terminator left out: a person
// cannot type past what the command stores.
struct TextLimit {
    int pageId;
    int controlId;
    size_t characters;
};

const TextLimit textLimits[] = {
    {IDD_PROGRAM_PAGE, IDC_PROGRAM_PATH, PathCapacity - 1},
    {IDD_PROGRAM_PAGE, IDC_PROGRAM_ARGUMENTS, PathCapacity - 1},
    {IDD_MESSAGE_PAGE, IDC_MESSAGE_TEXT_EDIT, MessageCapacity - 1},
    {IDD_FOLDER_PAGE, IDC_FOLDER_PATH, PathCapacity - 1},
    {IDD_NAME_PAGE, IDC_NAME_EDIT, PathCapacity - 1},
};

void limitText(const WizardPage& page, HWND dialog)
{
    for (const TextLimit& limit : textLimits)
        if (limit.pageId == page.pageId)
            SendDlgItemMessageW(dialog, limit.controlId, EM_LIMITTEXT, limit.characters, 0);
}

// ---- Fitting the page above the input panel ------------------------------------
// A page is laid out for the whole screen. When the input panel rises the
// shell makes the page shorter (SHHandleWMSettingChange), and the page lays
// itself out again from its template's places: the buttons keep to the
// bottom edge, and the rows they take from the controls above come, in this
// order, out of the page's tall boxes (a multi-line text, a tree, a list, a
// calendar) down to the least each can show, out of the blank rows between
// controls and the spare rows of check and radio buttons, and at last out of
// the question at the top of the page, which then goes until the panel does.
// A control of fixed height keeps it. One page is open at a time, so one
// record serves.

struct ControlPlace {
    HWND control;
    RECT rect;   // in the page's client area, as the template places it
};

struct PagePlaces {
    HWND page;
    int height;   // the template's client height
    ControlPlace controls[32];
    size_t count;
    HWND question;   // the text above every other control, if any
};

PagePlaces places{};

constexpr int MaxPageHeight = 512;   // rows; the screen has 320
constexpr int LeastGap = 2;          // rows between two controls

enum class Row : unsigned char { Blank, Fixed, Tall };

std::wstring_view classOf(HWND control, wchar_t (&name)[32])
{
    name[0] = L'\0';
    GetClassNameW(control, name, static_cast<int>(std::size(name)));
    return name;
}

bool isPageButton(HWND control)
{
    switch (GetDlgCtrlID(control)) {
    case IDCANCEL:
    case IDC_WIZARD_BACK:
    case IDC_WIZARD_NEXT:
    case IDC_WIZARD_FINISH:
        return true;
    default:
        return false;
    }
}

// Vertical dialog units of the page in pixels.
int dialogRows(HWND dialog, int units)
{
    RECT r{0, 0, 0, units};
    MapDialogRect(dialog, &r);
    return r.bottom;
}

// Marks the rows a control needs as Fixed, and those it can give up as
// `spare` (Tall or Blank).
void markControl(Row* rows, HWND dialog, HWND control, const RECT& r)
{
    auto mark = [rows](LONG from, LONG to, Row kind) {
        for (LONG y = std::max<LONG>(from, 0); y < std::min<LONG>(to, MaxPageHeight); ++y)
            if (rows[y] != Row::Fixed) rows[y] = kind;
    };
    const LONG height = r.bottom - r.top;
    const LONG textRows = dialogRows(dialog, 8) + 2;
    wchar_t name[32];
    const std::wstring_view kind = classOf(control, name);
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    LONG keep = height;
    Row spare = Row::Blank;
    if (kind == L"Edit" && (style & ES_MULTILINE)) {
        keep = height / 3;
        spare = Row::Tall;
    } else if (kind == WC_TREEVIEWW || kind == L"ListBox") {
        keep = height / 3;
        spare = Row::Tall;
    } else if (kind == MONTHCAL_CLASSW) {
        RECT least{};
        MonthCal_GetMinReqRect(control, &least);
        keep = std::min(height, least.bottom - least.top);
        spare = Row::Tall;
    } else if (kind == L"Button") {
        switch (style & BS_TYPEMASK) {
        case BS_GROUPBOX:   // its label and its lower edge
            mark(r.top, r.top + textRows, Row::Fixed);
            mark(r.bottom - 2, r.bottom, Row::Fixed);
            return;
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
            keep = std::min(height, textRows);
            break;
        default:
            break;
        }
    }
    mark(r.top, r.top + keep, Row::Fixed);
    mark(r.top + keep, r.bottom, spare);
}

// Shown with its page: the page itself may not be shown yet.
bool shown(HWND control)
{
    return (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

void recordPlaces(HWND dialog)
{
    places = PagePlaces{};
    places.page = dialog;
    RECT client;
    GetClientRect(dialog, &client);
    places.height = client.bottom;
    LONG highest = client.bottom;
    for (HWND child = GetWindow(dialog, GW_CHILD); child && places.count < std::size(places.controls);
         child = GetWindow(child, GW_HWNDNEXT)) {
        ControlPlace& place = places.controls[places.count++];
        place.control = child;
        GetWindowRect(child, &place.rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place.rect), 2);
        if (!shown(child) || place.rect.top >= highest) continue;
        highest = place.rect.top;
        wchar_t name[32];
        places.question = classOf(child, name) == L"Static" ? child : nullptr;
    }
}

// Takes up to `wanted` rows out of the runs of `kind` above `end`, each run
// giving in proportion to its length, and leaving `keep` rows of each.
// Returns what it took.
int takeRows(const Row* rows, bool* removed, int end, Row kind, int wanted, int keep)
{
    struct Run {
        int from, spare;
    } runs[MaxPageHeight / 2];
    size_t count = 0;
    int spare = 0;
    for (int y = 0; y < end && count < std::size(runs);) {
        if (rows[y] != kind || removed[y]) {
            ++y;
            continue;
        }
        const int from = y;
        while (y < end && rows[y] == kind && !removed[y]) ++y;
        const int give = std::max(0, y - from - keep);
        if (give) runs[count++] = Run{from, give};
        spare += give;
    }
    if (spare == 0 || wanted <= 0) return 0;
    const int taking = std::min(wanted, spare);
    int taken = 0;
    for (size_t i = 0; i < count; ++i) {
        // The last run rounds up what the others rounded down.
        int share = i + 1 == count ? taking - taken : runs[i].spare * taking / spare;
        share = std::min(share, runs[i].spare);
        for (int y = runs[i].from; y < runs[i].from + share; ++y) removed[y] = true;
        taken += share;
    }
    return taken;
}

// Chooses the rows to take out so that the controls above the buttons end
// above them, leaving at least `gap` rows between two controls; returns how
// many rows are still too many (0 when all fit).
int planRows(HWND dialog, int shortBy, bool withoutQuestion, int gap, bool* removed)
{
    std::fill(removed, removed + MaxPageHeight, false);
    Row rows[MaxPageHeight] = {};
    int contentBottom = 0;
    int buttonsTop = places.height;
    for (size_t i = 0; i < places.count; ++i) {
        const ControlPlace& place = places.controls[i];
        if (isPageButton(place.control)) {
            buttonsTop = std::min(buttonsTop, static_cast<int>(place.rect.top));
            continue;
        }
        if (place.control == places.question ? withoutQuestion : !shown(place.control)) continue;
        contentBottom = std::max(contentBottom, static_cast<int>(place.rect.bottom));
        markControl(rows, dialog, place.control, place.rect);
    }
    contentBottom = std::min(contentBottom, MaxPageHeight);
    int over = shortBy ? contentBottom - (buttonsTop - shortBy - dialogRows(dialog, 3)) : 0;
    if (over > 0) over -= takeRows(rows, removed, contentBottom, Row::Tall, over, 0);
    if (over > 0) over -= takeRows(rows, removed, contentBottom, Row::Blank, over, gap);
    return std::max(over, 0);
}

void fitPage(HWND dialog)
{
    if (places.page != dialog) return;
    RECT client;
    GetClientRect(dialog, &client);
    const int shortBy = std::max(0, places.height - static_cast<int>(client.bottom));

    // Roomy gaps with the question, then without it, then the least gaps.
    bool removed[MaxPageHeight];
    const int roomyGap = dialogRows(dialog, 3);
    bool withoutQuestion = false;
    int over = planRows(dialog, shortBy, false, roomyGap, removed);
    if (over > 0 && places.question) {
        withoutQuestion = true;
        over = planRows(dialog, shortBy, true, roomyGap, removed);
    }
    if (over > 0) planRows(dialog, shortBy, withoutQuestion, LeastGap, removed);
    if (places.question) ShowWindow(places.question, withoutQuestion ? SW_HIDE : SW_SHOWNA);

    int shift[MaxPageHeight + 1] = {};   // rows taken out above each row
    for (int y = 0; y < MaxPageHeight; ++y) shift[y + 1] = shift[y] + (removed[y] ? 1 : 0);
    auto moved = [&shift](LONG y) { return y - shift[std::clamp<LONG>(y, 0, MaxPageHeight)]; };

    for (size_t i = 0; i < places.count; ++i) {
        const ControlPlace& place = places.controls[i];
        RECT to = place.rect;
        if (isPageButton(place.control)) {
            OffsetRect(&to, 0, -shortBy);
        } else {
            to.top = moved(place.rect.top);
            to.bottom = moved(place.rect.bottom);
        }
        // A drop-down list's height is that of its open list: only moved.
        const bool resized = to.bottom - to.top != place.rect.bottom - place.rect.top;
        SetWindowPos(place.control, nullptr, to.left, to.top, to.right - to.left, to.bottom - to.top,
                     SWP_NOZORDER | SWP_NOACTIVATE | (resized ? 0 : SWP_NOSIZE));
    }
    // A group box paints its frame and label alone: where it was stays drawn.
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void createMenuBar(HWND dialog)
{
    SHMENUBARINFO bar{};
    bar.cbSize = SHMENUBARINFO_RECORD_SIZE;
    bar.hwndParent = dialog;
    bar.nToolBarId = IDR_MENUBAR;
    bar.hInstRes = instanceHandle;
    SHCreateMenuBar(&bar);   // the bar's handle is not kept
}

void setStepCaption(HWND dialog)
{
    wchar_t caption[64];
    swprintf(caption, std::size(caption), L"Step %d", stepNumber);
    SetWindowTextW(dialog, caption);
}

INT_PTR onInitDialog(const WizardPage& page, HWND dialog)
{
    recordPlaces(dialog);
    createMenuBar(dialog);
    SHINITDLGINFO init{SHIDIM_FLAGS, dialog, SHIDIF_SIZEDLG | SHIDIF_SIPDOWN};
    SHInitDialog(&init);
    setStepCaption(dialog);
    limitText(page, dialog);
    if (page.fill) page.fill(dialog);
    // A page that placed the focus on one of its controls keeps it there.
    HWND focus = GetFocus();
    const int defaultButton = GetDlgItem(dialog, IDC_WIZARD_FINISH) ? IDC_WIZARD_FINISH : IDC_WIZARD_NEXT;
    return focusFirstControl(dialog, defaultButton, IsChild(dialog, focus) ? focus : nullptr);
}

void onNext(const WizardPage& page, HWND dialog)
{
    INT_PTR result = PageNext;
    if (page.next) {
        InPageHandler inHandler;
        result = page.next(dialog);
    }
    if (result == PageStays) return;
    recordPage(page.pageId);
    EndDialog(dialog, result);
}

void onBack(const WizardPage& page, HWND dialog)
{
    if (page.back) page.back(dialog);
    EndDialog(dialog, PageBack);
}

INT_PTR onCommand(const WizardPage& page, HWND dialog, WPARAM wParam, LPARAM lParam)
{
    WORD id = LOWORD(wParam);
    if (HIWORD(wParam) == BN_CLICKED && lParam) followCheckedRadio(reinterpret_cast<HWND>(lParam));
    switch (id) {
    case IDC_WIZARD_NEXT:
        onNext(page, dialog);
        return TRUE;
    case IDC_WIZARD_BACK:
        onBack(page, dialog);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, PageCancel);
        return TRUE;
    default: {
        if (!page.command) return FALSE;
        InPageHandler inHandler;
        return page.command(dialog, id, HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    }
    }
}

} // namespace

INT_PTR handlePageMessage(const WizardPage& page, HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return onInitDialog(page, dialog);
    case WM_COMMAND:
        return onCommand(page, dialog, wParam, lParam);
    case WM_NOTIFY: {
        if (!page.notify) return FALSE;
        InPageHandler inHandler;
        return page.notify(dialog, reinterpret_cast<NMHDR*>(lParam));
    }
    case WM_CANCELMODE:
        if (pageHandlerDepth) return FALSE;
        EndDialog(dialog, PageCancel);
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, PageCancel);
        return TRUE;
    case WM_SETTINGCHANGE:
        SHHandleWMSettingChange(dialog, wParam, lParam, &settingChangeInfo);
        return FALSE;
    case WM_SIZE:
        fitPage(dialog);
        return FALSE;
    case WM_DESTROY:
        if (places.page == dialog) places = PagePlaces{};
        return FALSE;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        return dialogColour(wParam);
    default:
        return FALSE;
    }
}

void refuse(HWND owner, const wchar_t* text)
{
    ce::MessageBoxW(owner, text, L"Morvane", MB_OK | MB_ICONEXCLAMATION);
}

WORD firstChecked(HWND page, const WORD* ids, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        if (IsDlgButtonChecked(page, ids[i]) == BST_CHECKED) return ids[i];
    return 0;
}
