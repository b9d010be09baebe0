// The folder a CleanFolder command empties, and whether its subfolders go
// too. The folder is not looked for: it may not exist yet.
#include "resources/resource.h"
#include "shell/file_browser.h"
#include "wizard/page_protocol.h"
#include "wizard/wizard_pages.h"
#include "wizard/wizard_state.h"

namespace {

void fill(HWND page)
{
    SetDlgItemTextW(page, IDC_FOLDER_PATH, wizardCommand->action.folderPath);
    CheckDlgButton(page, IDC_FOLDER_SUBFOLDERS,
                   wizardCommand->action.includeSubfolders ? BST_CHECKED : BST_UNCHECKED);
}

void back(HWND page)
{
    readControlText(page, IDC_FOLDER_PATH, wizardCommand->action.folderPath);
    wizardCommand->action.includeSubfolders =
        IsDlgButtonChecked(page, IDC_FOLDER_SUBFOLDERS) == BST_CHECKED ? 1 : 0;
}

INT_PTR next(HWND page)
{
    back(page);
    if (!wizardCommand->action.folderPath[0]) {
        refuse(page, L"Please enter a folder name to continue");
        return PageStays;
    }
    return PageNext;
}

// As on the program page, a cancelled browse fills the box too.
void onBrowse(HWND page)
{
    FileBrowser browser;
    browser.BrowseForFolder(page);
    SetDlgItemTextW(page, IDC_FOLDER_PATH, browser.selectedPath);
}

INT_PTR command(HWND page, WORD id, WORD, HWND)
{
    if (id != IDC_FOLDER_BROWSE) return FALSE;
    onBrowse(page);
    return TRUE;
}

const WizardPage folderPage{IDD_FOLDER_PAGE, fill, next, back, command, nullptr};

} // namespace

INT_PTR CALLBACK folderPageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return handlePageMessage(folderPage, dialog, message, wParam, lParam);
}
