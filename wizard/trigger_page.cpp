// When the command runs: after a reset, at every power-on, at the first
// power-on of a day, or on a calendar schedule.
#include "resources/resource.h"
#include "wizard/page_protocol.h"
#include "wizard/wizard_pages.h"
#include "wizard/wizard_state.h"

namespace {

const WORD otherTriggers[] = {IDC_TRIGGER_AFTER_POWER_ON, IDC_TRIGGER_FIRST_OF_DAY, IDC_TRIGGER_AFTER_RESET};

void fill(HWND page)
{
    SetFocus(page);
    CheckDlgButton(page, static_cast<int>(wizardCommand->triggerKind), BST_CHECKED);
}

INT_PTR next(HWND page)
{
    if (IsDlgButtonChecked(page, IDC_TRIGGER_ON_SCHEDULE) == BST_CHECKED) {
        wizardCommand->triggerKind = TriggerKind::OnSchedule;
        return IDC_TRIGGER_ON_SCHEDULE;
    }
    WORD chosen = firstChecked(page, otherTriggers);
    if (!chosen) return PageStays;   // a damaged stored trigger: nothing checked yet
    wizardCommand->triggerKind = static_cast<TriggerKind>(chosen);
    return PageNext;
}

// "< Back" keeps nothing of this page.
const WizardPage triggerPage{IDD_TRIGGER_PAGE, fill, next, nullptr, nullptr, nullptr};

} // namespace

INT_PTR CALLBACK triggerPageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return handlePageMessage(triggerPage, dialog, message, wParam, lParam);
}
