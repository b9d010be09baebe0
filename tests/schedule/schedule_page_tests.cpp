// The schedule pages driven through the whole wizard, as a user would: the
// real templates, clicks, list choices and spin-button presses, then what
// the command file holds and what the scheduler registers on the device.
// The action is "Close all running programs", which has no detail page, so
// the pages after the trigger start at step 3.
#include "commands/command_file.h"
#include "platform/notification_db.h"
#include "platform/text.h"
#include "resources/resource.h"
#include "schedule/scheduler.h"
#include "shell/app_state.h"
#include "shell/settings_store.h"
#include "tests/schedule/device_clock_guard.h"
#include "tests/schedule/timed_commands.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/test_support.h"
#include "wizard/command_wizard.h"
#include "wizard/wizard_state.h"

#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace schedule_test;
using test::DialogDriver;

constexpr wchar_t SettingsKey[] = L"Software\\Quillon Software\\Morvane";

// ---- Acting on the date controls and spin buttons, as a user does ----------

// Presses the upper or lower arrow of a spin button.
void pressSpin(HWND page, int spinId, bool up)
{
    HWND spin = GetDlgItem(page, spinId);
    RECT client;
    GetClientRect(spin, &client);
    LPARAM at = MAKELPARAM(client.right / 2, up ? client.bottom / 4 : client.bottom * 3 / 4);
    SendMessageW(spin, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(spin, WM_LBUTTONUP, 0, at);
}

void pickTime(HWND page, WORD hour, WORD minute)
{
    SYSTEMTIME shown{};
    SendDlgItemMessageW(page, IDC_RECUR_TIME, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&shown));
    shown.wHour = hour;
    shown.wMinute = minute;
    ASSERT_TRUE(SendDlgItemMessageW(page, IDC_RECUR_TIME, DTM_SETSYSTEMTIME, GDT_VALID,
                                    reinterpret_cast<LPARAM>(&shown)));
}

SYSTEMTIME pickerTime(HWND page)
{
    SYSTEMTIME shown{};
    SendDlgItemMessageW(page, IDC_RECUR_TIME, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&shown));
    return shown;
}

void pickDate(HWND page, WORD year, WORD month, WORD day)
{
    SYSTEMTIME date = test::moment(year, month, day);
    ASSERT_TRUE(SendDlgItemMessageW(page, IDC_ONCE_CALENDAR, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&date)));
}

int comboCount(HWND page, int listId)
{
    return static_cast<int>(SendDlgItemMessageW(page, listId, CB_GETCOUNT, 0, 0));
}

std::wstring allItems(HWND page, int listId)
{
    std::wstring items;
    for (int i = 0; i < comboCount(page, listId); ++i)
        items += (i ? L"," : L"") + DialogDriver::comboItemText(page, listId, i);
    return items;
}

void next(HWND page) { DialogDriver::pressButton(page, IDC_WIZARD_NEXT); }
void back(HWND page) { DialogDriver::pressButton(page, IDC_WIZARD_BACK); }

// ---- Journeys ---------------------------------------------------------------

// Steps 1 and 2 of a new scheduled command.
void newScheduledCommand(DialogDriver& driver)
{
    driver.onPage(L"Step 1", [](HWND p) { DialogDriver::click(p, IDC_ACTION_CLOSE_ALL); next(p); })
        .onPage(L"Step 2", [](HWND p) { DialogDriver::click(p, IDC_TRIGGER_ON_SCHEDULE); next(p); });
}

// Steps 1 and 2 of an edit: the stored kinds are already chosen.
void editScheduledCommand(DialogDriver& driver)
{
    driver.onPage(L"Step 1", next).onPage(L"Step 2", next);
}

// The recurrence page at step 3: a recurrence, "Specific time" at hour:minute.
void chooseRecurrence(DialogDriver& driver, int button, WORD hour, WORD minute)
{
    driver.onPage(L"Step 3", [=](HWND p) {
        DialogDriver::click(p, button);
        DialogDriver::click(p, IDC_RECUR_SPECIFIC_TIME);
        pickTime(p, hour, minute);
        next(p);
    });
}

void nameAndFinish(DialogDriver& driver, int nameStep, const std::wstring& name)
{
    driver
        .onPage(L"Step " + std::to_wstring(nameStep),
                [name](HWND p) {
                    DialogDriver::setText(p, IDC_NAME_EDIT, name);
                    next(p);
                })
        .onPage(L"Step " + std::to_wstring(nameStep + 1),
                [](HWND p) { DialogDriver::pressButton(p, IDC_WIZARD_FINISH); });
}

void runWizard(DialogDriver& driver, Command* edited = nullptr)
{
    CommandWizard wizard;
    wizard.runWizard(nullptr, edited);
    EXPECT_TRUE(driver.finished()) << "a page the journey expected never came";
    EXPECT_FALSE(driver.timedOut());
}

Command stored(const wchar_t* name)
{
    Command command;
    CommandFile file;
    EXPECT_TRUE(file.findCommand(name, command)) << name;
    return command;
}

std::wstring nextScheduled()
{
    SettingsStore settings;
    HeapText names;
    settings.getString(L"NextScheduled", names);
    return names.c_str();
}

std::wstring at(WORD year, WORD month, WORD day, WORD hour, WORD minute)
{
    SYSTEMTIME t = test::moment(year, month, day, hour, minute);
    t.wDayOfWeek = CalendarDate::CalcDayOfWeek(year, month, day);
    return describe(t);
}

// The real wizard in this test program, its command file, the prefix's
// registrations and settings, and the device clock set by each test.
class SchedulePages : public testing::Test {
protected:
    void SetUp() override
    {
        instanceHandle = GetModuleHandleW(nullptr);
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_DATE_CLASSES};
        ASSERT_TRUE(InitCommonControlsEx(&controls));
        clean();
    }
    void TearDown() override { clean(); }

    static void clean()
    {
        removeCommandFile();
        test::deleteMachineKey(SettingsKey);
        test::deleteMachineKey(notification_db::RegistrationsKey);
    }

    test::DeviceClockGuard clock_;
};

// ---- RecurrencePage ---------------------------------------------------------

TEST_F(SchedulePages, RecurrenceBackKeepsTheRecurrenceButTakesTheTimeAndItsMode)
{
    clock_.set(2031, 5, 6, 7, 8);
    Command edited = timedCommand(L"Edited", Recurrence::Weekly, 22, 15);
    DialogDriver driver;
    editScheduledCommand(driver);
    driver
        .onPage(L"Step 3",
                [](HWND p) {
                    EXPECT_TRUE(DialogDriver::isChecked(p, IDC_RECUR_WEEKLY));
                    EXPECT_TRUE(DialogDriver::isChecked(p, IDC_RECUR_SPECIFIC_TIME));
                    EXPECT_FALSE(DialogDriver::isChecked(p, IDC_RECUR_FIRST_POWER_ON));
                    SYSTEMTIME shown = pickerTime(p);
                    EXPECT_EQ(22, shown.wHour);
                    EXPECT_EQ(15, shown.wMinute);
                    DialogDriver::click(p, IDC_RECUR_MONTHLY);
                    DialogDriver::click(p, IDC_RECUR_FIRST_POWER_ON);
                    EXPECT_TRUE(DialogDriver::isEnabled(p, IDC_RECUR_TIME)) << "the picker stays usable";
                    pickTime(p, 6, 45);
                    back(p);
                })
        .onPage(L"Step 2", [](HWND p) { DialogDriver::pressButton(p, IDCANCEL); });
    runWizard(driver, &edited);

    EXPECT_EQ(Recurrence::Weekly, edited.schedule.recurrence);
    EXPECT_EQ(TimeMode::AtFirstPowerOn, edited.schedule.timeMode);
    EXPECT_EQ(6, edited.schedule.runTime.wHour);
    EXPECT_EQ(45, edited.schedule.runTime.wMinute);
}

TEST_F(SchedulePages, RecurrenceWithNoButtonCheckedStaysAndRecordsNothing)
{
    clock_.set(2031, 5, 6, 7, 8);
    Command edited = timedCommand(L"Damaged", static_cast<Recurrence>(7), 9, 0);
    DialogDriver driver;
    editScheduledCommand(driver);
    driver.onPage(L"Step 3", [](HWND p) {
        for (int id : {IDC_RECUR_DAILY, IDC_RECUR_WEEKLY, IDC_RECUR_MONTHLY, IDC_RECUR_YEARLY, IDC_RECUR_ONCE})
            EXPECT_FALSE(DialogDriver::isChecked(p, id)) << id;
        SendMessageW(p, WM_COMMAND, IDC_WIZARD_NEXT, 0);   // refused: the page stays
        EXPECT_TRUE(IsWindowVisible(p));
        EXPECT_EQ(0, pageHistory[3]);
        EXPECT_EQ(3, stepNumber);
        DialogDriver::click(p, IDC_RECUR_DAILY);
        next(p);
    });
    nameAndFinish(driver, 4, L"Damaged");   // "Daily" goes straight on to the name
    runWizard(driver, &edited);

    EXPECT_EQ(Recurrence::Daily, stored(L"Damaged").schedule.recurrence);
}

// ---- WeeklyPage -------------------------------------------------------------

TEST_F(SchedulePages, WeeklyBackToAMonthlyChoiceKeepsTheBoxesLastShown)
{
    clock_.set(2031, 5, 6, 7, 8);
    Command edited = timedCommand(L"Weekdays", Recurrence::Weekly, 8, 0);
    edited.schedule.weekdayMask = 0x12;   // Monday and Thursday
    DialogDriver driver;
    editScheduledCommand(driver);
    driver.onPage(L"Step 3", next)
        .onPage(L"Step 4",
                [](HWND p) {
                    const int boxes[7] = {IDC_WEEKLY_SUNDAY,   IDC_WEEKLY_MONDAY, IDC_WEEKLY_TUESDAY,
                                          IDC_WEEKLY_WEDNESDAY, IDC_WEEKLY_THURSDAY, IDC_WEEKLY_FRIDAY,
                                          IDC_WEEKLY_SATURDAY};
                    for (int day = 0; day < 7; ++day)
                        EXPECT_EQ(day == 1 || day == 4, DialogDriver::isChecked(p, boxes[day])) << day;
                    DialogDriver::click(p, IDC_WEEKLY_THURSDAY);   // off
                    DialogDriver::click(p, IDC_WEEKLY_SATURDAY);   // on
                    back(p);
                })
        .onPage(L"Step 3",
                [](HWND p) {
                    EXPECT_TRUE(DialogDriver::isChecked(p, IDC_RECUR_WEEKLY));
                    DialogDriver::click(p, IDC_RECUR_MONTHLY);
                    next(p);
                })
        .onPage(L"Step 4", [](HWND p) {
            EXPECT_TRUE(IsWindow(GetDlgItem(p, IDC_MONTHLY_DAY_SPIN))) << "the monthly page follows";
            next(p);
        });
    nameAndFinish(driver, 5, L"Weekdays");
    runWizard(driver, &edited);

    EXPECT_EQ(Recurrence::Monthly, edited.schedule.recurrence);
    EXPECT_EQ(0x42, edited.schedule.weekdayMask);   // Monday and Saturday
    EXPECT_EQ(Recurrence::Monthly, stored(L"Weekdays").schedule.recurrence);
}

// ---- MonthlyPage ------------------------------------------------------------

TEST_F(SchedulePages, MonthlyCreatedOnThe30thShowsNoOrdinalAndStores65535)
{
    clock_.set(2031, 5, 30, 7, 8);   // a Friday, in its fifth week
    DialogDriver driver;
    newScheduledCommand(driver);
    chooseRecurrence(driver, IDC_RECUR_MONTHLY, 9, 30);
    driver.onPage(L"Step 4", [](HWND p) {
        EXPECT_EQ(L"1st,2nd,3rd,4th", allItems(p, IDC_MONTHLY_WEEK));
        EXPECT_EQ(CB_ERR, DialogDriver::selectedComboItem(p, IDC_MONTHLY_WEEK));
        EXPECT_EQ(L"Sunday,Monday,Tuesday,Wednesday,Thursday,Friday,Saturday", allItems(p, IDC_MONTHLY_WEEKDAY));
        EXPECT_EQ(5, DialogDriver::selectedComboItem(p, IDC_MONTHLY_WEEKDAY));
        EXPECT_EQ(L"30", DialogDriver::controlText(p, IDC_MONTHLY_DAY));
        EXPECT_TRUE(DialogDriver::isChecked(p, IDC_MONTHLY_BY_DAY));
        DialogDriver::click(p, IDC_MONTHLY_BY_WEEKDAY);
        next(p);
    });
    nameAndFinish(driver, 5, L"Fifth");
    runWizard(driver);

    Command command = stored(L"Fifth");
    EXPECT_EQ(MonthlyMode::MonthlyByWeekday, command.schedule.monthlyMode);
    EXPECT_EQ(65535, command.schedule.monthlyWeek);
    EXPECT_EQ(5, command.schedule.monthlyWeekday);
}

TEST_F(SchedulePages, MonthlyUpArrowRaisesTheDayAndWrapsFrom31To1)
{
    clock_.set(2031, 5, 30, 7, 8);
    DialogDriver driver;
    newScheduledCommand(driver);
    chooseRecurrence(driver, IDC_RECUR_MONTHLY, 9, 30);
    driver.onPage(L"Step 4", [](HWND p) {
        std::vector<std::wstring> shown;
        for (bool up : {true, true, true, false, false}) {
            pressSpin(p, IDC_MONTHLY_DAY_SPIN, up);
            shown.push_back(DialogDriver::controlText(p, IDC_MONTHLY_DAY));
        }
        EXPECT_EQ((std::vector<std::wstring>{L"31", L"1", L"2", L"1", L"31"}), shown);
        // The arrow keys in the field count the same way.
        SendDlgItemMessageW(p, IDC_MONTHLY_DAY, WM_KEYDOWN, VK_UP, 0);
        EXPECT_EQ(L"1", DialogDriver::controlText(p, IDC_MONTHLY_DAY));
        next(p);
    });
    nameAndFinish(driver, 5, L"First");
    runWizard(driver);

    EXPECT_EQ(1, stored(L"First").schedule.monthlyDay);
}

// ---- YearlyPage -------------------------------------------------------------

TEST_F(SchedulePages, YearlyMonthListNarrowsAndWidensTheDay)
{
    clock_.set(2031, 1, 31, 7, 8);
    DialogDriver driver;
    newScheduledCommand(driver);
    chooseRecurrence(driver, IDC_RECUR_YEARLY, 9, 30);
    driver.onPage(L"Step 4", [](HWND p) {
        EXPECT_TRUE(DialogDriver::isChecked(p, IDC_YEARLY_BY_DATE));
        EXPECT_EQ(0, DialogDriver::selectedComboItem(p, IDC_YEARLY_MONTH));
        EXPECT_EQ(12, comboCount(p, IDC_YEARLY_MONTH));
        EXPECT_EQ(L"February", DialogDriver::comboItemText(p, IDC_YEARLY_WEEK_MONTH, 1));
        EXPECT_EQ(L"31", DialogDriver::controlText(p, IDC_YEARLY_DAY));

        DialogDriver::chooseComboItem(p, IDC_YEARLY_MONTH, 1);   // February
        EXPECT_EQ(L"29", DialogDriver::controlText(p, IDC_YEARLY_DAY));
        pressSpin(p, IDC_YEARLY_DAY_SPIN, true);
        EXPECT_EQ(L"1", DialogDriver::controlText(p, IDC_YEARLY_DAY)) << "February stops at 29";
        pressSpin(p, IDC_YEARLY_DAY_SPIN, false);
        EXPECT_EQ(L"29", DialogDriver::controlText(p, IDC_YEARLY_DAY));

        DialogDriver::chooseComboItem(p, IDC_YEARLY_MONTH, 2);   // March
        EXPECT_EQ(L"29", DialogDriver::controlText(p, IDC_YEARLY_DAY));
        std::vector<std::wstring> shown;
        for (int i = 0; i < 3; ++i) {
            pressSpin(p, IDC_YEARLY_DAY_SPIN, true);
            shown.push_back(DialogDriver::controlText(p, IDC_YEARLY_DAY));
        }
        EXPECT_EQ((std::vector<std::wstring>{L"30", L"31", L"1"}), shown);
        pressSpin(p, IDC_YEARLY_DAY_SPIN, false);
        next(p);
    });
    nameAndFinish(driver, 5, L"March");
    runWizard(driver);

    Command command = stored(L"March");
    EXPECT_EQ(YearlyMode::YearlyByDate, command.schedule.yearlyMode);
    EXPECT_EQ(3, command.schedule.yearlyMonth);
    EXPECT_EQ(31, command.schedule.yearlyDay);
}

// ---- OnceDatePage -----------------------------------------------------------

TEST_F(SchedulePages, OnceMarksTheDevicesTodayTakesYesterdayFromTheKeysAndRegistersIt)
{
    clock_.set(2031, 5, 6, 7, 8);
    DialogDriver driver;
    newScheduledCommand(driver);
    chooseRecurrence(driver, IDC_RECUR_ONCE, 9, 30);
    driver.onPage(L"Step 4", [](HWND p) {
        SYSTEMTIME shown{};
        SendDlgItemMessageW(p, IDC_ONCE_CALENDAR, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&shown));
        EXPECT_EQ(at(2031, 5, 6, 0, 0).substr(0, 10), describe(shown).substr(0, 10)) << "today by default";
        SYSTEMTIME today{};
        SendDlgItemMessageW(p, IDC_ONCE_CALENDAR, MCM_GETTODAY, 0, reinterpret_cast<LPARAM>(&today));
        EXPECT_EQ(at(2031, 5, 6, 0, 0).substr(0, 10), describe(today).substr(0, 10)) << "the device's today";
        // The keys: a month on and back, a week on and back, a day back.
        for (WPARAM key : {VK_NEXT, VK_PRIOR, VK_DOWN, VK_UP, VK_LEFT})
            SendDlgItemMessageW(p, IDC_ONCE_CALENDAR, WM_KEYDOWN, key, 0);
        SendDlgItemMessageW(p, IDC_ONCE_CALENDAR, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&shown));
        EXPECT_EQ(at(2031, 5, 5, 0, 0).substr(0, 10), describe(shown).substr(0, 10));
        next(p);
    });
    nameAndFinish(driver, 5, L"Yesterday");
    runWizard(driver);

    EXPECT_TRUE(driver.messageBoxes().empty());
    Command command = stored(L"Yesterday");
    EXPECT_EQ(5, command.schedule.onceDay);
    EXPECT_EQ(5, command.schedule.onceMonth);
    EXPECT_EQ(2031, command.schedule.onceYear);
    Scheduler().ScheduleNextRun();
    SYSTEMTIME when;
    ASSERT_TRUE(launcherRegistration(when));
    EXPECT_EQ(at(2031, 5, 5, 9, 30), describe(when));
}

// ---- The whole wizard -------------------------------------------------------

// Without a detail page the longest path is six pages: slots 1 to 5. Its
// weekly page is left with no day, which is accepted.
TEST_F(SchedulePages, LongestPathRecordsEveryPageLeftInItsStep)
{
    clock_.set(2031, 5, 6, 7, 8);   // a Tuesday: the default day
    DialogDriver driver;
    newScheduledCommand(driver);
    chooseRecurrence(driver, IDC_RECUR_WEEKLY, 9, 30);
    driver.onPage(L"Step 4", [](HWND p) {
        EXPECT_TRUE(DialogDriver::isChecked(p, IDC_WEEKLY_TUESDAY));
        DialogDriver::click(p, IDC_WEEKLY_TUESDAY);
        next(p);
    });
    nameAndFinish(driver, 5, L"Longest");
    runWizard(driver);

    EXPECT_TRUE(driver.messageBoxes().empty());
    EXPECT_EQ(0, stored(L"Longest").schedule.weekdayMask);

    EXPECT_EQ((std::vector<int>{0, IDD_ACTION_TYPE_PAGE, IDD_TRIGGER_PAGE, IDD_RECURRENCE_PAGE, IDD_WEEKLY_PAGE,
                                IDD_NAME_PAGE, 0}),
              std::vector<int>(pageHistory, pageHistory + 7));
}

struct RecurrenceCase {
    const wchar_t* name;
    int button;
    WORD hour, minute;
    DialogDriver::Action days;   // the day page, null for "Daily"
    SYSTEMTIME expected;
};

// Tuesday 2031-05-06 07:08, the scheduler tests' clock. 2031-09-01 is a Monday.
TEST_F(SchedulePages, EveryRecurrenceMadeInTheWizardIsRegisteredAtItsNextRun)
{
    using D = DialogDriver;
    const std::vector<RecurrenceCase> cases = {
        {L"Daily", IDC_RECUR_DAILY, 9, 30, nullptr, test::moment(2031, 5, 6, 9, 30)},
        {L"MondayThursday", IDC_RECUR_WEEKLY, 8, 0,
         [](HWND p) {
             D::click(p, IDC_WEEKLY_TUESDAY);
             D::click(p, IDC_WEEKLY_MONDAY);
             D::click(p, IDC_WEEKLY_THURSDAY);
         },
         test::moment(2031, 5, 8, 8, 0)},
        {L"Sixth", IDC_RECUR_MONTHLY, 9, 30, [](HWND p) { D::setText(p, IDC_MONTHLY_DAY, L"6"); },
         test::moment(2031, 5, 6, 9, 30)},
        {L"Fifth", IDC_RECUR_MONTHLY, 9, 30, [](HWND p) { D::setText(p, IDC_MONTHLY_DAY, L"5"); },
         test::moment(2031, 6, 5, 9, 30)},
        {L"SecondTuesday", IDC_RECUR_MONTHLY, 8, 0,
         [](HWND p) {
             D::click(p, IDC_MONTHLY_BY_WEEKDAY);
             D::chooseComboItem(p, IDC_MONTHLY_WEEK, 1);
             D::chooseComboItem(p, IDC_MONTHLY_WEEKDAY, 2);
         },
         test::moment(2031, 5, 13, 8, 0)},
        {L"FifthOfMarch", IDC_RECUR_YEARLY, 10, 0,
         [](HWND p) {
             D::chooseComboItem(p, IDC_YEARLY_MONTH, 2);
             D::setText(p, IDC_YEARLY_DAY, L"5");
         },
         test::moment(2032, 3, 5, 10, 0)},
        {L"FirstMondayOfSeptember", IDC_RECUR_YEARLY, 8, 0,
         [](HWND p) {
             D::click(p, IDC_YEARLY_BY_WEEKDAY);
             D::chooseComboItem(p, IDC_YEARLY_WEEK, 0);
             D::chooseComboItem(p, IDC_YEARLY_WEEKDAY, 1);
             D::chooseComboItem(p, IDC_YEARLY_WEEK_MONTH, 8);
         },
         test::moment(2031, 9, 1, 8, 0)},
        {L"FirstOfJuly", IDC_RECUR_ONCE, 8, 0, [](HWND p) { pickDate(p, 2031, 7, 1); },
         test::moment(2031, 7, 1, 8, 0)},
    };
    clock_.set(2031, 5, 6, 7, 8);
    for (const RecurrenceCase& c : cases) {
        clean();
        {
            DialogDriver driver;
            newScheduledCommand(driver);
            chooseRecurrence(driver, c.button, c.hour, c.minute);
            if (c.days) driver.onPage(L"Step 4", [&c](HWND p) {
                    c.days(p);
                    next(p);
                });
            nameAndFinish(driver, c.days ? 5 : 4, c.name);
            runWizard(driver);
        }
        Scheduler().ScheduleNextRun();
        SYSTEMTIME when;
        ASSERT_TRUE(launcherRegistration(when)) << c.name;
        const SYSTEMTIME& e = c.expected;
        EXPECT_EQ(at(e.wYear, e.wMonth, e.wDay, e.wHour, e.wMinute), describe(when)) << c.name;
        EXPECT_EQ(c.name, nextScheduled());
    }
}

TEST_F(SchedulePages, AnEditedScheduleMovesTheRegistration)
{
    clock_.set(2031, 5, 6, 7, 8);
    appendAll({timedCommand(L"Nightly", Recurrence::Daily, 22, 0)});
    Scheduler().ScheduleNextRun();
    SYSTEMTIME when;
    ASSERT_TRUE(launcherRegistration(when));
    EXPECT_EQ(at(2031, 5, 6, 22, 0), describe(when));

    Command edited = stored(L"Nightly");
    DialogDriver driver;
    editScheduledCommand(driver);
    chooseRecurrence(driver, IDC_RECUR_YEARLY, 10, 0);
    driver.onPage(L"Step 4", [](HWND p) {
        DialogDriver::chooseComboItem(p, IDC_YEARLY_MONTH, 1);   // February, the 6th
        next(p);
    });
    nameAndFinish(driver, 5, L"Nightly");
    runWizard(driver, &edited);
    Scheduler().ScheduleNextRun();

    ASSERT_TRUE(launcherRegistration(when));
    EXPECT_EQ(at(2032, 2, 6, 10, 0), describe(when));
    EXPECT_EQ(L"Nightly", nextScheduled());
    CommandFile file;
    Command second;
    EXPECT_FALSE(file.readNextCommand(1, second)) << "the edit replaced the command";
}

} // namespace
