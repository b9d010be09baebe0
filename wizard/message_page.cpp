// The text a ShowMessage command shows. Lines typed with Enter reach the
// record as "\r\n", as the edit box holds them.
#include "resources/resource.h"
#include "wizard/page_protocol.h"
#include "wizard/wizard_pages.h"
#include "wizard/wizard_state.h"

namespace {

void fill(HWND page)
{
    SetDlgItemTextW(page, IDC_MESSAGE_TEXT_EDIT, wizardCommand->action.messageText);
}

void back(HWND page)
{
    readControlText(page, IDC_MESSAGE_TEXT_EDIT, wizardCommand->action.messageText);
}

INT_PTR next(HWND page)
{
    back(page);
    if (!wizardCommand->action.messageText[0]) {
        refuse(page, L"Please enter some text for the message");
        return PageStays;
    }
    return PageNext;
}

const WizardPage messagePage{IDD_MESSAGE_PAGE, fill, next, back, nullptr, nullptr};

} // namespace

INT_PTR CALLBACK messagePageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return handlePageMessage(messagePage, dialog, message, wParam, lParam);
}
