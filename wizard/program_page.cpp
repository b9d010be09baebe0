// The program a LaunchProgram command starts and the command line it gets.
#include "resources/resource.h"
#include "shell/file_browser.h"
#include "wizard/page_protocol.h"
#include "wizard/wizard_pages.h"
#include "wizard/wizard_state.h"

namespace {

void fill(HWND page)
{
    SetDlgItemTextW(page, IDC_PROGRAM_PATH, wizardCommand->action.programPath);
    SetDlgItemTextW(page, IDC_PROGRAM_ARGUMENTS, wizardCommand->action.programArguments);
}

void back(HWND page)
{
    readControlText(page, IDC_PROGRAM_PATH, wizardCommand->action.programPath);
    readControlText(page, IDC_PROGRAM_ARGUMENTS, wizardCommand->action.programArguments);
}

INT_PTR next(HWND page)
{
    back(page);
    if (!wizardCommand->action.programPath[0]) {
        refuse(page, L"Please enter the location of an application to run");
        return PageStays;
    }
    return PageNext;   // the arguments may be empty
}

// A cancelled browse also fills the box: with the path last confirmed in
// this process, or nothing. Only "Next >" and "< Back" store it.
void onBrowse(HWND page)
{
    FileBrowser browser;
    browser.BrowseForFile(page, L"exe");
    SetDlgItemTextW(page, IDC_PROGRAM_PATH, browser.selectedPath);
}

INT_PTR command(HWND page, WORD id, WORD, HWND)
{
    if (id != IDC_PROGRAM_BROWSE) return FALSE;
    onBrowse(page);
    return TRUE;
}

const WizardPage programPage{IDD_PROGRAM_PAGE, fill, next, back, command, nullptr};

} // namespace

INT_PTR CALLBACK programPageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return handlePageMessage(programPage, dialog, message, wParam, lParam);
}
