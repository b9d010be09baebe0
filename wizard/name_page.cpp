// The command's name, its key everywhere: no command may take another
// stored command's name in any letter case.
#include <cwchar>
#include "commands/command_file.h"
#include "platform/modal.h"
#include "resources/resource.h"
#include "wizard/page_protocol.h"
#include "wizard/wizard_pages.h"
#include "wizard/wizard_state.h"

namespace {

void fill(HWND page)
{
    SetDlgItemTextW(page, IDC_NAME_EDIT, wizardCommand->commandName);
}

void back(HWND page)
{
    readControlText(page, IDC_NAME_EDIT, wizardCommand->commandName);
}

INT_PTR next(HWND page)
{
    CommandFile file;
    readControlText(page, IDC_NAME_EDIT, wizardCommand->commandName);
    const wchar_t* name = wizardCommand->commandName;
    if (!name[0]) {
        refuse(page, L"Please enter a command name");
        return PageStays;
    }
    // An edited command keeps a name it already had, whatever it holds; its
    // own name in another letter case is still its own.
    const bool unchanged = editMode && wcscmp(name, oldName) == 0;
    const bool ownName = editMode && CompareStringOrdinal(name, -1, oldName, -1, TRUE) == CSTR_EQUAL;
    // The names of the next timed run are stored as one ";"-separated list:
    // such a name would be split there and its command would never run.
    if (!unchanged && wcschr(name, L';')) {
        refuse(page, L"A command name cannot contain \";\". Please choose another");
        return PageStays;
    }
    if (!ownName && file.commandExists(name)) {
        ce::MessageBoxW(page, L"This name already exists. Please choose another", L"Zel Morvane", MB_OK);
        return PageStays;
    }
    return PageNext;
}

const WizardPage namePage{IDD_NAME_PAGE, fill, next, back, nullptr, nullptr};

} // namespace

INT_PTR CALLBACK namePageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return handlePageMessage(namePage, dialog, message, wParam, lParam);
}
