// The dialog driver's own guard: a dialog nobody expects fails the test and is
// ended, instead of hanging the suite.
#include "tests/support/dialog_driver.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace {

int unexpectedBoxResult = 0;
bool driverTimedOut = false;

void showUnexpectedMessageBox()
{
    test::DialogDriver driver(500);
    unexpectedBoxResult = MessageBoxW(nullptr, L"Nobody answers this", L"Surprise", MB_OKCANCEL);
    driverTimedOut = driver.timedOut();
}

TEST(DialogDriver, AnUnexpectedDialogFailsTheTestAndIsEnded)
{
    EXPECT_NONFATAL_FAILURE(showUnexpectedMessageBox(), "Nobody answers this");
    EXPECT_EQ(unexpectedBoxResult, IDCANCEL);
    EXPECT_TRUE(driverTimedOut);
}

TEST(DialogDriver, AnswersMessageBoxesInTurnAndRecordsThem)
{
    test::DialogDriver driver;
    driver.answerMessageBox(IDNO).answerMessageBox(IDYES);
    int first = MessageBoxW(nullptr, L"First question", L"One", MB_YESNO);
    int second = MessageBoxW(nullptr, L"Second question", L"Two", MB_YESNO);

    EXPECT_EQ(first, IDNO);
    EXPECT_EQ(second, IDYES);
    ASSERT_EQ(driver.messageBoxes().size(), 2u);
    EXPECT_EQ(driver.messageBoxes()[0].caption, L"One");
    EXPECT_EQ(driver.messageBoxes()[0].text, L"First question");
    EXPECT_EQ(driver.messageBoxes()[1].caption, L"Two");
    EXPECT_EQ(driver.messageBoxes()[1].text, L"Second question");
}

} // namespace
