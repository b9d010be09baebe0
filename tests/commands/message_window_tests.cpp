// The message window, shown from dialog 132 and closed the way a user closes it.
#include "commands/message_window.h"
#include "shell/app_state.h"
#include "tests/support/dialog_driver.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using test::DialogDriver;

const std::wstring ThreeLines = L"Backup finished.\r\nThree files copied.\r\nSee you tomorrow";

class MessageWindowTest : public testing::Test {
protected:
    void SetUp() override { instanceHandle = GetModuleHandleW(nullptr); }
};

// Shows the window and returns the text of its message line.
std::wstring shownText(MessageWindow& window)
{
    std::wstring text;
    DialogDriver driver;
    driver.onDialog(L"Morvane", [&](HWND dialog) {
        text = DialogDriver::controlText(dialog, IDC_MESSAGE_WINDOW_TEXT);
        DialogDriver::closeWindow(dialog);
    });
    EXPECT_EQ(window.show(), 1);
    EXPECT_TRUE(driver.finished());
    return text;
}

RECT windowRectIn(HWND window, HWND dialog)
{
    RECT rect;
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

RECT dialogUnits(HWND dialog, int width, int height)
{
    RECT rect{0, 0, width, height};
    MapDialogRect(dialog, &rect);
    return rect;
}

HWND iconControl(HWND dialog)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) return child;
    return nullptr;
}

// What the user sees of the window, read while it is up.
struct Appearance {
    std::wstring text;
    HWND owner = nullptr;
    RECT client{}, expectedClient{};
    RECT line{}, expectedLine{};
    RECT icon{};
    bool iconShown = false;
    int leftMargin = 0, rightMargin = 0;
};

Appearance look(HWND dialog)
{
    Appearance seen;
    seen.text = DialogDriver::controlText(dialog, IDC_MESSAGE_WINDOW_TEXT);
    seen.owner = GetWindow(dialog, GW_OWNER);
    GetClientRect(dialog, &seen.client);
    seen.expectedClient = dialogUnits(dialog, 122, 47);
    seen.line = windowRectIn(GetDlgItem(dialog, IDC_MESSAGE_WINDOW_TEXT), dialog);
    seen.expectedLine = dialogUnits(dialog, 78, 33);
    if (HWND icon = iconControl(dialog)) {
        seen.icon = windowRectIn(icon, dialog);
        seen.iconShown = SendMessageW(icon, STM_GETICON, 0, 0) != 0 && IsWindowVisible(icon);
    }
    RECT work, frame;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(dialog, &frame);
    seen.leftMargin = frame.left - work.left;
    seen.rightMargin = work.right - frame.right;
    return seen;
}

TEST_F(MessageWindowTest, ShowsItsTextInDialog132AndHoldsTheCallerUntilClosed)
{
    MessageWindow window;
    window.setText(ThreeLines.c_str());
    bool returned = false;
    Appearance seen;
    DialogDriver driver;
    driver.onDialog(L"Morvane", [&](HWND dialog) { seen = look(dialog); })
        .onDialog(L"Morvane", [&](HWND dialog) {
            EXPECT_FALSE(returned);   // still up a tick later: the caller waits for the user
            DialogDriver::closeWindow(dialog);
        });

    INT_PTR result = window.show();
    returned = true;

    EXPECT_EQ(result, 1);
    EXPECT_TRUE(driver.finished());
    EXPECT_EQ(seen.text, ThreeLines);
    EXPECT_EQ(seen.owner, nullptr);
    // The template's own size, kept; the line's size; the icon left of the line.
    EXPECT_EQ(seen.client.right, seen.expectedClient.right);
    EXPECT_EQ(seen.client.bottom, seen.expectedClient.bottom);
    EXPECT_EQ(seen.line.right - seen.line.left, seen.expectedLine.right);
    EXPECT_EQ(seen.line.bottom - seen.line.top, seen.expectedLine.bottom);
    EXPECT_TRUE(seen.iconShown);
    EXPECT_LE(seen.icon.right, seen.line.left);
    EXPECT_LT(seen.icon.top, seen.client.bottom / 2);
    EXPECT_NEAR(seen.leftMargin, seen.rightMargin, 1);   // centred
}

TEST_F(MessageWindowTest, OkAndCancelEndItWithOneAndOtherCommandsAreIgnored)
{
    for (int command : {IDOK, IDCANCEL}) {
        MessageWindow window;
        window.setText(L"Close me");
        DialogDriver driver;
        driver
            .onDialog(L"Morvane",
                      [](HWND dialog) {
                          DialogDriver::postCommand(dialog, IDC_MESSAGE_WINDOW_TEXT);
                          DialogDriver::postCommand(dialog, 3);
                      })
            .onDialog(L"Morvane", [command](HWND dialog) { DialogDriver::postCommand(dialog, command); });

        EXPECT_EQ(window.show(), 1) << command;
        EXPECT_TRUE(driver.finished()) << command;
    }
}

TEST_F(MessageWindowTest, KeepsItsOwnCopyOfTheLatestText)
{
    MessageWindow noText;
    EXPECT_EQ(shownText(noText), L"");

    wchar_t buffer[64] = L"First text";
    MessageWindow window;
    window.setText(buffer);
    wcscpy(buffer, L"Changed by the caller");
    EXPECT_EQ(shownText(window), L"First text");

    window.setText(L"Second text");
    EXPECT_EQ(shownText(window), L"Second text");

    std::wstring tooLong(1500, L'm');
    window.setText(tooLong.c_str());
    EXPECT_EQ(shownText(window), tooLong.substr(0, MessageCapacity - 1));
}

TEST_F(MessageWindowTest, PaintsItsBackgroundAndTextInTheDialogColour)
{
    MessageWindow window;
    window.setText(L"Colours");
    LRESULT dialogAnswer = 0, staticAnswer = 0;
    COLORREF dialogBackground = 0, staticBackground = 0;
    DialogDriver driver;
    driver.onDialog(L"Morvane", [&](HWND dialog) {
        HDC dc = CreateCompatibleDC(nullptr);
        dialogAnswer = SendMessageW(dialog, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc),
                                    reinterpret_cast<LPARAM>(dialog));
        dialogBackground = GetBkColor(dc);
        SetBkColor(dc, RGB(0, 0, 0));
        HWND line = GetDlgItem(dialog, IDC_MESSAGE_WINDOW_TEXT);
        staticAnswer = SendMessageW(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                    reinterpret_cast<LPARAM>(line));
        staticBackground = GetBkColor(dc);
        DeleteDC(dc);
        DialogDriver::closeWindow(dialog);
    });

    EXPECT_EQ(window.show(), 1);
    EXPECT_EQ(dialogAnswer, reinterpret_cast<LRESULT>(dialogBrush));
    EXPECT_EQ(staticAnswer, reinterpret_cast<LRESULT>(dialogBrush));
    EXPECT_EQ(dialogBackground, DialogColour);
    EXPECT_EQ(staticBackground, DialogColour);
}

} // namespace
