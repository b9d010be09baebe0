// The weekdays of a weekly command. No day at all is accepted: the
// scheduler gives such a command its own meaning.
#include "resources/resource.h"
#include "schedule/schedule_pages.h"
#include "wizard/page_protocol.h"
#include "wizard/wizard_state.h"

namespace {

// Bit d of weekdayMask is day of week d; the boxes' identifiers are not in
// weekday order.
const WORD weekdayBoxes[7] = {
    IDC_WEEKLY_SUNDAY,   IDC_WEEKLY_MONDAY, IDC_WEEKLY_TUESDAY,  IDC_WEEKLY_WEDNESDAY,
    IDC_WEEKLY_THURSDAY, IDC_WEEKLY_FRIDAY, IDC_WEEKLY_SATURDAY,
};

void fill(HWND page)
{
    for (int day = 0; day < 7; ++day)
        if (wizardCommand->schedule.weekdayMask & (1u << day)) CheckDlgButton(page, weekdayBoxes[day], BST_CHECKED);
}

void back(HWND page)
{
    WORD mask = 0;
    for (int day = 0; day < 7; ++day)
        if (IsDlgButtonChecked(page, weekdayBoxes[day]) == BST_CHECKED) mask |= static_cast<WORD>(1u << day);
    wizardCommand->schedule.weekdayMask = mask;
}

INT_PTR next(HWND page)
{
    back(page);
    return PageNext;
}

const WizardPage weeklyPage{IDD_WEEKLY_PAGE, fill, next, back, nullptr, nullptr};

} // namespace

INT_PTR CALLBACK weeklyPageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return handlePageMessage(weeklyPage, dialog, message, wParam, lParam);
}
