// The day of a monthly command: a day of the month, or the nth weekday.
#include "resources/resource.h"
#include "schedule/day_field.h"
#include "schedule/schedule_pages.h"
#include "wizard/page_protocol.h"
#include "wizard/wizard_state.h"

namespace {

constexpr int GreatestDay = 31;

void fill(HWND page)
{
    const Command::Schedule& schedule = wizardCommand->schedule;
    setDayRange(page, IDC_MONTHLY_DAY_SPIN, GreatestDay);
    showDay(page, IDC_MONTHLY_DAY, schedule.monthlyDay);
    CheckDlgButton(page,
                   schedule.monthlyMode == MonthlyMode::MonthlyByDay ? IDC_MONTHLY_BY_DAY : IDC_MONTHLY_BY_WEEKDAY,
                   BST_CHECKED);
    fillOrdinals(page, IDC_MONTHLY_WEEK);
    fillWeekdays(page, IDC_MONTHLY_WEEKDAY);
    // A command made on days 29 to 31 holds the fifth ordinal, which the
    // list lacks: it then shows none.
    selectIndex(page, IDC_MONTHLY_WEEK, schedule.monthlyWeek);
    selectIndex(page, IDC_MONTHLY_WEEKDAY, schedule.monthlyWeekday);
}

void back(HWND page)
{
    Command::Schedule& schedule = wizardCommand->schedule;
    schedule.monthlyDay = readDay(page, IDC_MONTHLY_DAY);
    schedule.monthlyMode = IsDlgButtonChecked(page, IDC_MONTHLY_BY_DAY) == BST_CHECKED ? MonthlyMode::MonthlyByDay
                                                                                         : MonthlyMode::MonthlyByWeekday;
    schedule.monthlyWeek = selectedIndex(page, IDC_MONTHLY_WEEK);
    schedule.monthlyWeekday = selectedIndex(page, IDC_MONTHLY_WEEKDAY);
}

INT_PTR next(HWND page)
{
    back(page);
    return PageNext;
}

INT_PTR notify(HWND page, NMHDR* header)
{
    return header->idFrom == IDC_MONTHLY_DAY_SPIN ? reverseStep(page, header) : FALSE;
}

const WizardPage monthlyPage{IDD_MONTHLY_PAGE, fill, next, back, nullptr, notify};

} // namespace

INT_PTR CALLBACK monthlyPageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return handlePageMessage(monthlyPage, dialog, message, wParam, lParam);
}
