// The day of a yearly command: a month and day, or the nth weekday of a
// month. The day's range follows the chosen month.
#include "resources/resource.h"
#include "schedule/calendar_date.h"
#include "schedule/day_field.h"
#include "schedule/schedule_pages.h"
#include "wizard/page_protocol.h"
#include "wizard/wizard_state.h"

namespace {

// The greatest length of the month at this list index (February 29, since
// the year is not known); a month outside the list allows 31.
int greatestDayOf(int monthIndex)
{
    return CalendarDate().DaysInMonth(monthIndex);
}

void fill(HWND page)
{
    const Command::Schedule& schedule = wizardCommand->schedule;
    setDayRange(page, IDC_YEARLY_DAY_SPIN, greatestDayOf(schedule.yearlyMonth - 1));
    fillMonths(page, IDC_YEARLY_MONTH);
    fillMonths(page, IDC_YEARLY_WEEK_MONTH);
    fillOrdinals(page, IDC_YEARLY_WEEK);
    fillWeekdays(page, IDC_YEARLY_WEEKDAY);
    showDay(page, IDC_YEARLY_DAY, schedule.yearlyDay);
    selectIndex(page, IDC_YEARLY_MONTH, schedule.yearlyMonth - 1);
    selectIndex(page, IDC_YEARLY_WEEK, schedule.yearlyWeek);
    selectIndex(page, IDC_YEARLY_WEEKDAY, schedule.yearlyWeekday);
    selectIndex(page, IDC_YEARLY_WEEK_MONTH, schedule.yearlyWeekMonth - 1);
    CheckDlgButton(page, schedule.yearlyMode == YearlyMode::YearlyByDate ? IDC_YEARLY_BY_DATE : IDC_YEARLY_BY_WEEKDAY,
                   BST_CHECKED);
}

void back(HWND page)
{
    Command::Schedule& schedule = wizardCommand->schedule;
    schedule.yearlyDay = readDay(page, IDC_YEARLY_DAY);
    schedule.yearlyMonth = static_cast<WORD>(selectedIndex(page, IDC_YEARLY_MONTH) + 1);
    schedule.yearlyWeek = selectedIndex(page, IDC_YEARLY_WEEK);
    schedule.yearlyWeekday = selectedIndex(page, IDC_YEARLY_WEEKDAY);
    schedule.yearlyWeekMonth = static_cast<WORD>(selectedIndex(page, IDC_YEARLY_WEEK_MONTH) + 1);
    schedule.yearlyMode = IsDlgButtonChecked(page, IDC_YEARLY_BY_DATE) == BST_CHECKED ? YearlyMode::YearlyByDate
                                                                                        : YearlyMode::YearlyByWeekday;
}

INT_PTR next(HWND page)
{
    back(page);
    return PageNext;
}

// A new month narrows (or widens) the day's range; a day beyond it becomes
// the month's greatest day.
void onMonthChosen(HWND page)
{
    int monthIndex = static_cast<int>(SendDlgItemMessageW(page, IDC_YEARLY_MONTH, CB_GETCURSEL, 0, 0));
    int greatest = greatestDayOf(monthIndex);
    setDayRange(page, IDC_YEARLY_DAY_SPIN, greatest);
    if (readDay(page, IDC_YEARLY_DAY) > greatest) showDay(page, IDC_YEARLY_DAY, static_cast<WORD>(greatest));
}

INT_PTR command(HWND page, WORD id, WORD code, HWND)
{
    if (id != IDC_YEARLY_MONTH || code != CBN_SELCHANGE) return FALSE;
    onMonthChosen(page);
    return TRUE;
}

INT_PTR notify(HWND page, NMHDR* header)
{
    return header->idFrom == IDC_YEARLY_DAY_SPIN ? reverseStep(page, header) : FALSE;
}

const WizardPage yearlyPage{IDD_YEARLY_PAGE, fill, next, back, command, notify};

} // namespace

INT_PTR CALLBACK yearlyPageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return handlePageMessage(yearlyPage, dialog, message, wParam, lParam);
}
