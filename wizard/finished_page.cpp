// The last page: the summary of the command, and "Finish", which stores it.
#include "resources/resource.h"
#include "wizard/command_wizard.h"
#include "wizard/page_protocol.h"
#include "wizard/wizard_pages.h"

namespace {

// The summary is a stop of Tab, so that the keys can scroll it, but the page
// opens on "Finish".
void fill(HWND page)
{
    buildSummaryText(page);
    SetFocus(GetDlgItem(page, IDC_WIZARD_FINISH));
}

INT_PTR command(HWND page, WORD id, WORD, HWND)
{
    if (id != IDC_WIZARD_FINISH) return FALSE;
    if (storeWizardCommand()) EndDialog(page, PageFinish);
    return TRUE;
}

// No "Next >" on this page; "< Back" stores nothing.
const WizardPage finishedPage{IDD_FINISHED_PAGE, fill, nullptr, nullptr, command, nullptr};

} // namespace

INT_PTR CALLBACK finishedPageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return handlePageMessage(finishedPage, dialog, message, wParam, lParam);
}
