// How often a scheduled command runs, and whether at the first power-on of
// a due day or at a time of day. The chosen recurrence picks the page that
// asks for the days; a daily command goes straight on to its name.
#include <windows.h>
#include <commctrl.h>
#include <iterator>
#include "platform/device.h"
#include "resources/resource.h"
#include "schedule/schedule_pages.h"
#include "wizard/page_protocol.h"
#include "wizard/wizard_state.h"

namespace {

// The recurrence values in order, each with its radio button; the first
// checked button in this order wins.
struct RecurrenceButton {
    Recurrence recurrence;
    WORD button;
};
const RecurrenceButton recurrenceButtons[] = {
    {Recurrence::Daily, IDC_RECUR_DAILY},     {Recurrence::Weekly, IDC_RECUR_WEEKLY},
    {Recurrence::Monthly, IDC_RECUR_MONTHLY}, {Recurrence::Yearly, IDC_RECUR_YEARLY},
    {Recurrence::Once, IDC_RECUR_ONCE},
};

void showRunTime(HWND page)
{
    // The picker refuses a time whose date is zero; only hour and minute of
    // runTime mean anything, so the date comes from the clock.
    SYSTEMTIME shown;
    ce::GetLocalTime(&shown);
    const SYSTEMTIME& runTime = wizardCommand->schedule.runTime;
    shown.wHour = runTime.wHour;
    shown.wMinute = runTime.wMinute;
    shown.wSecond = runTime.wSecond;
    shown.wMilliseconds = 0;
    SendDlgItemMessageW(page, IDC_RECUR_TIME, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&shown));
}

void fill(HWND page)
{
    const Command::Schedule& schedule = wizardCommand->schedule;
    for (const RecurrenceButton& entry : recurrenceButtons)
        if (entry.recurrence == schedule.recurrence) CheckDlgButton(page, entry.button, BST_CHECKED);
    CheckDlgButton(page,
                   schedule.timeMode == TimeMode::AtFirstPowerOn ? IDC_RECUR_FIRST_POWER_ON : IDC_RECUR_SPECIFIC_TIME,
                   BST_CHECKED);
    showRunTime(page);
}

// The time and its mode, stored by both "Next >" and "< Back".
void readTime(HWND page)
{
    Command::Schedule& schedule = wizardCommand->schedule;
    SYSTEMTIME picked;
    if (SendDlgItemMessageW(page, IDC_RECUR_TIME, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&picked)) ==
        GDT_VALID)
        schedule.runTime = picked;
    schedule.timeMode = IsDlgButtonChecked(page, IDC_RECUR_FIRST_POWER_ON) == BST_CHECKED
                            ? TimeMode::AtFirstPowerOn
                            : TimeMode::AtSpecificTime;
}

INT_PTR next(HWND page)
{
    readTime(page);
    for (const RecurrenceButton& entry : recurrenceButtons) {
        if (IsDlgButtonChecked(page, entry.button) == BST_CHECKED) {
            wizardCommand->schedule.recurrence = entry.recurrence;
            return entry.button;
        }
    }
    return PageStays;   // no recurrence chosen yet: nothing recorded
}

// "< Back" leaves the recurrence as it was.
const WizardPage recurrencePage{IDD_RECURRENCE_PAGE, fill, next, readTime, nullptr, nullptr};

} // namespace

INT_PTR CALLBACK recurrencePageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return handlePageMessage(recurrencePage, dialog, message, wParam, lParam);
}
