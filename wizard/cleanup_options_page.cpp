// The options of a Cleanup command, one check box per CleanupOption bit.
// The action kind is hidden: only an edited stored command reaches here.
#include "resources/resource.h"
#include "wizard/page_protocol.h"
#include "wizard/wizard_pages.h"
#include "wizard/wizard_state.h"

namespace {

struct OptionBox {
    int id;
    WORD bit;
};

const OptionBox optionBoxes[] = {
    {IDC_CLEANUP_EMPTY_ITEMS, RemoveEmptyItems},
    {IDC_CLEANUP_INTERNET_CACHE, ClearInternetCache},
    {IDC_CLEANUP_INTERNET_HISTORY, ClearInternetHistory},
    {IDC_CLEANUP_REGISTRY, CleanRegistry},
    {IDC_CLEANUP_SHORTCUTS, CleanShortcuts},
    {IDC_CLEANUP_TEMPORARY_FILES, RemoveTemporaryFiles},
};

void fill(HWND page)
{
    for (const OptionBox& box : optionBoxes)
        if (wizardCommand->action.cleanupOptions & box.bit) CheckDlgButton(page, box.id, BST_CHECKED);
}

void back(HWND page)
{
    WORD options = 0;
    for (const OptionBox& box : optionBoxes)
        if (IsDlgButtonChecked(page, box.id) == BST_CHECKED) options |= box.bit;
    wizardCommand->action.cleanupOptions = options;
}

INT_PTR next(HWND page)
{
    back(page);
    if (!wizardCommand->action.cleanupOptions) {
        refuse(page, L"You need to check at least one option");
        return PageStays;
    }
    return PageNext;
}

const WizardPage cleanupOptionsPage{IDD_CLEANUP_OPTIONS_PAGE, fill, next, back, nullptr, nullptr};

} // namespace

INT_PTR CALLBACK cleanupOptionsPageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return handlePageMessage(cleanupOptionsPage, dialog, message, wParam, lParam);
}
