// The first page: which kind of action the command runs.
#include "resources/resource.h"
#include "wizard/page_protocol.h"
#include "wizard/wizard_pages.h"
#include "wizard/wizard_state.h"

namespace {

// The order in which "Next >" looks for the checked button. A tap on a
// visible button does not uncheck the hidden one, so the hidden Cleanup
// counts only when no visible kind is checked.
const WORD actionButtons[] = {IDC_ACTION_LAUNCH_PROGRAM, IDC_ACTION_SHOW_MESSAGE, IDC_ACTION_PLAY_SOUND,
                              IDC_ACTION_CLOSE_ALL,      IDC_ACTION_CLEAN_FOLDER, IDC_ACTION_CLEANUP};

void fill(HWND page)
{
    // A stored Cleanup command checks the hidden button, so it keeps its kind
    // unless the user taps another.
    CheckDlgButton(page, static_cast<int>(wizardCommand->actionKind), BST_CHECKED);
}

INT_PTR next(HWND page)
{
    WORD chosen = firstChecked(page, actionButtons);
    if (!chosen) return PageStays;   // a damaged stored kind: nothing to go on with
    wizardCommand->actionKind = static_cast<ActionKind>(chosen);
    return chosen;
}

const WizardPage actionTypePage{IDD_ACTION_TYPE_PAGE, fill, next, nullptr, nullptr, nullptr};

} // namespace

INT_PTR CALLBACK actionTypePageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return handlePageMessage(actionTypePage, dialog, message, wParam, lParam);
}
