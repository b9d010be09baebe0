#include "wizard/page_protocol.h"
#include <cstdio>
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
