// Every window the program can show lies whole on the 240x320 screen: each
// dialog, each wizard page and each message box, opened the way the program
// opens it, with the longest texts it can hold. A window fails when it or a
// control of it leaves the screen, when its caption is cut, or when the text
// of a static or a button does not fit in its control. Each wizard page is
// also shown with the device's input panel (its real program) raised over
// it: then the page lies whole above the panel, and its buttons and text
// boxes can be tapped.
#include "commands/command_file.h"
#include "commands/message_window.h"
#include "platform/input_panel.h"
#include "platform/modal.h"
#include "resources/resource.h"
#include "schedule/calendar_date.h"
#include "shell/app_state.h"
#include "shell/file_browser.h"
#include "tests/shell/ui_support.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/test_support.h"
#include "wizard/command_wizard.h"
#include "wizard/wizard_state.h"

#include <cwchar>
#include <set>
#include <vector>

namespace {

using test::DialogDriver;

SIZE textSize(HWND window, HFONT font, const std::wstring& text, int wrapWidth, UINT flags)
{
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, font);
    RECT r{0, 0, wrapWidth, 0};
    DrawTextW(dc, text.c_str(), -1, &r, flags | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return SIZE{r.right, r.bottom};
}

std::wstring className(HWND window)
{
    wchar_t name[32] = L"";
    GetClassNameW(window, name, 32);
    return name;
}

// The text of a static or a button, whole in its control: wrapped statics
// within their height, everything else on one line within its width.
void expectTextWhole(HWND control, const std::wstring& where)
{
    const std::wstring text = DialogDriver::windowText(control);
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    RECT box;
    GetClientRect(control, &box);
    auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    if (text.empty()) return;
    const std::wstring what = where + L" \"" + text + L"\"";
    if (className(control) == L"Static") {
        const LONG type = style & SS_TYPEMASK;
        if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT) return;
        const SIZE needed = textSize(control, font, text, box.right, DT_WORDBREAK | DT_EXPANDTABS);
        EXPECT_LE(needed.cx, box.right) << what;
        EXPECT_LE(needed.cy, box.bottom) << what;
    } else if (className(control) == L"Button") {
        const LONG type = style & BS_TYPEMASK;
        const SIZE needed = textSize(control, font, text, 0, DT_SINGLELINE);
        int room = box.right - 4;   // the frame and focus rectangle of a push button
        if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON)
            room = box.right - GetSystemMetrics(SM_CXMENUCHECK) - 4;
        if (type == BS_GROUPBOX) room = box.right - 16;
        EXPECT_LE(needed.cx, room) << what;
    }
}

// The window within the screen above `bottom` with its caption whole, and
// every control shown within the window with its text whole.
void expectWholeOnScreen(HWND window, LONG bottom = GetSystemMetrics(SM_CYSCREEN))
{
    std::wstring name = L"\"" + DialogDriver::windowText(window) + L"\"";
    if (DialogDriver::isMessageBox(window)) name += L" saying \"" + DialogDriver::controlText(window, 0xFFFF) + L"\"";
    RECT frame;
    GetWindowRect(window, &frame);
    EXPECT_GE(frame.left, 0) << name;
    EXPECT_GE(frame.top, 0) << name;
    EXPECT_LE(frame.right, GetSystemMetrics(SM_CXSCREEN)) << name;
    EXPECT_LE(frame.bottom, bottom) << name;

    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    HFONT captionFont = CreateFontIndirectW(&metrics.lfCaptionFont);
    const SIZE caption = textSize(window, captionFont, DialogDriver::windowText(window), 0, DT_SINGLELINE);
    DeleteObject(captionFont);
    EXPECT_LE(caption.cx + metrics.iCaptionWidth, frame.right - frame.left) << name << L": caption cut";

    RECT client;
    GetClientRect(window, &client);
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) continue;
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
        const std::wstring where = name + L" control " + std::to_wstring(GetDlgCtrlID(child));
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom) << where;
        expectTextWhole(child, where);
    }
}

// A tap in the middle of each of the page's buttons and text boxes reaches
// it: no other window or control lies over it. On a page with a text box,
// nothing lies over any part of a button either: the whole page is there to
// be typed on.
void expectTappable(HWND page)
{
    const std::wstring name = L"\"" + DialogDriver::windowText(page) + L"\" control ";
    std::vector<HWND> targets;
    for (int id : {IDCANCEL, IDC_WIZARD_BACK, IDC_WIZARD_NEXT, IDC_WIZARD_FINISH})
        if (HWND button = GetDlgItem(page, id)) targets.push_back(button);
    const size_t buttons = targets.size();
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (className(child) == L"Edit" && IsWindowVisible(child)) targets.push_back(child);
    for (size_t i = 0; i < targets.size(); ++i) {
        RECT r;
        GetWindowRect(targets[i], &r);
        const POINT middle{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        // A disabled button takes no tap: the page beneath it does.
        EXPECT_EQ(IsWindowEnabled(targets[i]) ? targets[i] : page, WindowFromPoint(middle))
            << name << GetDlgCtrlID(targets[i]);
        if (i >= buttons || targets.size() == buttons) continue;
        for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            RECT other, both;
            GetWindowRect(child, &other);
            const bool covers = child != targets[i] && IsWindowVisible(child) && IntersectRect(&both, &r, &other);
            EXPECT_FALSE(covers) << name << GetDlgCtrlID(child) << L" lies over " << GetDlgCtrlID(targets[i]);
        }
    }
}

class ScreenFit : public ui::AppWindowTest {
protected:
    // Checks the next window of this thread that match accepts.
    void check(const std::wstring& description, DialogDriver::Match match, DialogDriver::Action then)
    {
        driver_.onDialogWhere(description, std::move(match), [this, then](HWND window) {
            expectWholeOnScreen(window);
            seen_.insert(DialogDriver::isMessageBox(window) ? L"box: " + DialogDriver::controlText(window, 0xFFFF)
                                                            : DialogDriver::windowText(window));
            then(window);
        });
    }
    void checkDialog(int controlId, DialogDriver::Action then)
    {
        check(L"the dialog with control " + std::to_wstring(controlId),
              [controlId](HWND d) { return GetDlgItem(d, controlId) != nullptr && !DialogDriver::isMessageBox(d); },
              std::move(then));
    }
    void checkBox(int answer)
    {
        check(L"a message box", DialogDriver::isMessageBox, [answer](HWND box) {
            PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(answer), 0);
        });
    }

    DialogDriver driver_;
    std::set<std::wstring> seen_;
};

TEST_F(ScreenFit, EveryDialogPageAndMessageBoxLiesWholeOnTheScreen)
{
    // The longest counters, and the longest lines they make.
    for (const wchar_t* counter : {L"Starts", L"ExeCmds", L"DelDirCmds", L"MsgBoxCmds", L"SoundCmds", L"CloseCmds"})
        ui::setSetting(counter, 4294967295u);
    Command taken;
    wcscpy(taken.commandName, L"Taken");
    taken.actionKind = ActionKind::CloseAllPrograms;
    ui::store({taken});

    // The main dialog and what it opens, the shutdown question included.
    auto pressing = [](int id) { return [id](HWND dialog) { DialogDriver::pressButton(dialog, id); }; };
    auto closing = [](HWND dialog) { DialogDriver::closeWindow(dialog); };
    checkDialog(IDC_MAIN_NEW_COMMAND, pressing(IDC_MAIN_STATISTICS));
    checkDialog(IDC_STATS_CLEAR, closing);
    driver_.onDialog(L"Morvane", pressing(IDC_MAIN_OPTIONS));
    checkDialog(IDC_OPTIONS_TRAY_ICON, closing);
    driver_.onDialog(L"Morvane", pressing(IDC_MAIN_VIEW_COMMANDS));
    checkDialog(IDC_LIST_NAMES, closing);
    driver_.onDialog(L"Morvane", pressing(IDC_MAIN_SHUTDOWN));
    checkBox(IDNO);
    driver_.onDialog(L"Morvane", closing);
    SendMessageW(appWindow, OpenMainDialogMessage, 0, 0);
    EXPECT_TRUE(driver_.finished());

    checkDialog(IDC_ABOUT_NAME, closing);
    SendMessageW(appWindow, WM_COMMAND, IDM_ABOUT, 0);
    EXPECT_TRUE(driver_.finished());

    // The browser, and its refusal of a folder where a file is asked for.
    checkDialog(IDC_BROWSER_TREE, [](HWND browser) {
        HWND tree = GetDlgItem(browser, IDC_BROWSER_TREE);
        TreeView_SelectItem(tree, TreeView_GetRoot(tree));
        DialogDriver::pressButton(browser, IDOK);
    });
    checkBox(IDOK);
    driver_.onDialog(L"File Selection", pressing(IDCANCEL));
    FileBrowser().BrowseForFile(nullptr, L"exe");
    EXPECT_TRUE(driver_.finished());

    // The message of a ShowMessage command, as long as the screen holds.
    MessageWindow message;
    std::wstring words;
    while (words.size() < 400) words += L"Remember the backup. ";
    message.setText(words.c_str());
    checkDialog(IDC_MESSAGE_WINDOW_TEXT, closing);
    message.show();
    EXPECT_TRUE(driver_.finished());

    // Every page of the wizard, and the refusal its "Next >" shows with the
    // values a new command starts with (the name page's: a name taken; the
    // sound page's: a sound whose file has gone).
    const struct {
        int page;
        bool refuses;
    } pages[] = {
        {IDD_ACTION_TYPE_PAGE, false}, {IDD_PROGRAM_PAGE, true},        {IDD_MESSAGE_PAGE, true},
        {IDD_SOUND_PAGE, true},        {IDD_FOLDER_PAGE, true},         {IDD_CLEANUP_OPTIONS_PAGE, true},
        {IDD_TRIGGER_PAGE, false},     {IDD_RECURRENCE_PAGE, false},    {IDD_WEEKLY_PAGE, false},
        {IDD_MONTHLY_PAGE, false},     {IDD_YEARLY_PAGE, false},        {IDD_ONCE_DATE_PAGE, false},
        {IDD_NAME_PAGE, true},         {IDD_FINISHED_PAGE, false},
    };
    Command command;
    command.action.cleanupOptions = 0;
    wcscpy(command.commandName, L"taken");
    wcscpy(command.action.soundName, L"gone");
    CommandWizard wizard;   // resets the wizard's state
    wizardCommand = &command;
    auto isPage = [](HWND d) { return GetDlgItem(d, IDC_WIZARD_BACK) != nullptr; };
    for (const auto& row : pages) {
        stepNumber = 1;
        check(L"page " + std::to_wstring(row.page), isPage, [](HWND page) {
            DialogDriver::pressButton(page, GetDlgItem(page, IDC_WIZARD_FINISH) ? IDCANCEL : IDC_WIZARD_NEXT);
        });
        if (row.refuses) {
            checkBox(IDOK);
            driver_.onDialogWhere(L"the page again", isPage, pressing(IDCANCEL));
        }
        openPage(row.page);
        EXPECT_TRUE(driver_.finished()) << row.page;
    }

    // Again with the panel raised over each page, as its task bar button
    // raises it; the page lowered it as it opened.
    HANDLE panelProgram = test::startProgram(test::hostPath(INPUTPANEL_EXE_PATH), L"");
    for (int wait = 0; wait < 600 && !input_panel::find(); ++wait) Sleep(50);
    EXPECT_TRUE(input_panel::find()) << "the input panel did not start";
    RECT panel{};
    auto panelUp = [&panel] { return input_panel::isUp(&panel); };
    for (const auto& row : pages) {
        if (!input_panel::find()) break;
        stepNumber = 1;
        driver_.onDialogWhere(L"page " + std::to_wstring(row.page) + L" with the panel down",
                              [&](HWND d) { return isPage(d) && IsWindowVisible(d) && !panelUp(); },
                              [](HWND) { input_panel::show(true); });
        driver_.onDialogWhere(
            L"page " + std::to_wstring(row.page) + L" above the panel",
            [&](HWND d) {
                RECT r;
                return isPage(d) && panelUp() && GetWindowRect(d, &r) && r.bottom <= panel.top;
            },
            [&](HWND page) {
                expectWholeOnScreen(page, panel.top);
                expectTappable(page);
                DialogDriver::pressButton(page, IDCANCEL);
            });
        openPage(row.page);
        EXPECT_TRUE(driver_.finished()) << row.page << L" with the panel up";
    }
    test::waitProgram(panelProgram, 0);
    wizardCommand = nullptr;

    // The messages of the command file and the calendar, from their real causes.
    std::wstring data = CommandFile().dataFolderPath();
    DeleteFileW((data + L"\\zelvane.dat").c_str());
    CreateDirectoryW((data + L"\\zelvane.dat").c_str(), nullptr);   // cannot be opened as a file
    checkBox(IDOK);
    CommandFile().commandExists(L"x");
    RemoveDirectoryW((data + L"\\zelvane.dat").c_str());
    checkBox(IDOK);
    CalendarDate().CalcDayFromWeekNumber(9, 0, 1, 2030);
    // Those with no cause a test can bring about, with their longest values.
    checkBox(IDOK);
    ce::MessageBoxW(nullptr, L"Bytes Written != Record Length : -2147483648 != -2147483648", L"Zel Morvane",
                    MB_ICONHAND);
    checkBox(IDOK);
    ce::MessageBoxW(nullptr, L"Toolhelp.dll not found", L"Pellmark", MB_OK);
    checkBox(IDOK);
    ce::MessageBoxW(nullptr,
                    L"Unable to replace the command file; another program may be using it. Nothing was "
                    L"changed.\r\nCode: -2147483648",
                    L"Morvane", MB_ICONEXCLAMATION);
    EXPECT_TRUE(driver_.finished());
    EXPECT_FALSE(driver_.timedOut());

    // 7 dialogs, 14 pages and every message box met on the way.
    for (const wchar_t* shown :
         {L"Morvane", L"Morvane Options", L"About Morvane", L"File Selection", L"Step 1",
          L"box: No commands will run if you shutdown.  Do you want to continue?",
          L"box: Please select a valid file before continuing",
          L"box: This name already exists. Please choose another", L"box: You need to check at least one option"})
        EXPECT_EQ(1u, seen_.count(shown)) << shown;
}

} // namespace
