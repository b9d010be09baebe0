#include "wizard/command_wizard.h"
#include <iterator>
#include "commands/command_file.h"
#include "platform/aygshell.h"
#include "platform/text.h"
#include "resources/resource.h"
#include "schedule/schedule_pages.h"
#include "shell/app_state.h"
#include "shell/dialog_resource.h"
#include "wizard/page_protocol.h"
#include "wizard/wizard_pages.h"
#include "wizard/wizard_state.h"

namespace {

struct PageEntry {
    int pageId;
    DLGPROC procedure;
};

// Every page the wizard knows; a page missing here cannot be opened.
const PageEntry pageTable[] = {
    {IDD_ACTION_TYPE_PAGE, actionTypePageProc},
    {IDD_PROGRAM_PAGE, programPageProc},
    {IDD_CLEANUP_OPTIONS_PAGE, cleanupOptionsPageProc},
    {IDD_MESSAGE_PAGE, messagePageProc},
    {IDD_SOUND_PAGE, soundPageProc},
    {IDD_FOLDER_PAGE, folderPageProc},
    {IDD_TRIGGER_PAGE, triggerPageProc},
    {IDD_RECURRENCE_PAGE, recurrencePageProc},
    {IDD_WEEKLY_PAGE, weeklyPageProc},
    {IDD_MONTHLY_PAGE, monthlyPageProc},
    {IDD_YEARLY_PAGE, yearlyPageProc},
    {IDD_ONCE_DATE_PAGE, onceDatePageProc},
    {IDD_NAME_PAGE, namePageProc},
    {IDD_FINISHED_PAGE, finishedPageProc},
};

DLGPROC procedureOf(int pageId)
{
    for (const PageEntry& entry : pageTable)
        if (entry.pageId == pageId) return entry.procedure;
    return nullptr;
}

// The page that a forward result of pageId leads to, or 0 when it is none.
int pageAfter(int pageId, INT_PTR result)
{
    switch (pageId) {
    case IDD_ACTION_TYPE_PAGE:
        switch (result) {
        case IDC_ACTION_LAUNCH_PROGRAM: return IDD_PROGRAM_PAGE;
        case IDC_ACTION_CLEANUP: return IDD_CLEANUP_OPTIONS_PAGE;
        case IDC_ACTION_PLAY_SOUND: return IDD_SOUND_PAGE;
        case IDC_ACTION_SHOW_MESSAGE: return IDD_MESSAGE_PAGE;
        case IDC_ACTION_CLEAN_FOLDER: return IDD_FOLDER_PAGE;
        case IDC_ACTION_CLOSE_ALL: return IDD_TRIGGER_PAGE;
        default: return 0;
        }
    case IDD_PROGRAM_PAGE:
    case IDD_CLEANUP_OPTIONS_PAGE:
    case IDD_SOUND_PAGE:
    case IDD_MESSAGE_PAGE:
    case IDD_FOLDER_PAGE:
        return result == PageNext ? IDD_TRIGGER_PAGE : 0;
    case IDD_TRIGGER_PAGE:
        if (result == IDC_TRIGGER_ON_SCHEDULE) return IDD_RECURRENCE_PAGE;
        return result == PageNext ? IDD_NAME_PAGE : 0;
    case IDD_RECURRENCE_PAGE:
        switch (result) {
        case IDC_RECUR_DAILY: return IDD_NAME_PAGE;
        case IDC_RECUR_WEEKLY: return IDD_WEEKLY_PAGE;
        case IDC_RECUR_MONTHLY: return IDD_MONTHLY_PAGE;
        case IDC_RECUR_YEARLY: return IDD_YEARLY_PAGE;
        case IDC_RECUR_ONCE: return IDD_ONCE_DATE_PAGE;
        default: return 0;
        }
    case IDD_WEEKLY_PAGE:
    case IDD_MONTHLY_PAGE:
    case IDD_YEARLY_PAGE:
    case IDD_ONCE_DATE_PAGE:
        return result == PageNext ? IDD_NAME_PAGE : 0;
    case IDD_NAME_PAGE:
        return result == PageNext ? IDD_FINISHED_PAGE : 0;
    default:
        return 0;
    }
}

// The edited command as it was stored at entry: the pages change the
// caller's record in place.
const Command* storedRecord = nullptr;
// Whether "Finish" stored the command.
bool commandStored = false;

INT_PTR runPageLoop()
{
    INT_PTR result = openPage(IDD_ACTION_TYPE_PAGE);
    while (result != PageFinish && result != PageCancel)
        result = result == PageBack ? goBack() : openPage(nextPage);
    return result;
}

INT_PTR onFrameInit(HWND frame)
{
    SHINITDLGINFO init{SHIDIM_FLAGS, frame, SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN};
    SHInitDialog(&init);
    return TRUE;
}

INT_PTR onFrameActivate(HWND frame)
{
    // Activations while the loop runs, or when a page closes, do nothing.
    if (wizardStarted) return FALSE;
    wizardStarted = 1;
    // The first activation comes before the frame shows. Shown beneath the
    // pages (it has their size), it takes the activation, and the keys, from
    // one page to the next: a window that is not shown cannot take the keys.
    SetWindowPos(frame, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    runPageLoop();
    EndDialog(frame, 1);
    return TRUE;
}

INT_PTR CALLBACK wizardFrameProc(HWND frame, UINT message, WPARAM, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return onFrameInit(frame);
    case WM_ACTIVATE:
        return onFrameActivate(frame);
    default:
        return FALSE;
    }
}

} // namespace

INT_PTR openPage(int pageId)
{
    if (pageId == IDD_ACTION_TYPE_PAGE) stepNumber = 1;
    DLGPROC procedure = procedureOf(pageId);
    INT_PTR result = procedure ? runDialogResource(pageId, nullptr, procedure) : -1;
    // A page that cannot be shown ends the wizard as "Cancel" does.
    if (result <= 0) return PageCancel;
    if (int next = pageAfter(pageId, result)) nextPage = next;
    return result;
}

// An edit replaces the record it started from in one step, so that a failure
// can never leave it deleted and another record of the same name (a file of
// an older version may hold one) stays; a new command is appended. The
// command file says itself when a change fails.
bool storeWizardCommand()
{
    CommandFile file;
    const int stored = editMode && storedRecord ? file.replaceCommand(*storedRecord, *wizardCommand)
                                                : file.appendCommand(*wizardCommand);
    commandStored = stored != 0;
    return commandStored;
}

INT_PTR goBack()
{
    if (stepNumber > 1) --stepNumber;
    int page = pageHistory[stepNumber];
    return page ? openPage(page) : PageCancel;
}

CommandWizard::CommandWizard()
{
    wizardCommand = nullptr;
    editMode = 0;
    wizardStarted = 0;
}

CommandWizard::~CommandWizard() = default;

int CommandWizard::runWizard(HWND owner, Command* command)
{
    ownerWindow = owner;
    commandStored = false;
    // The edited command's record as stored at entry, or a new command's
    // record, for as long as the wizard runs.
    Command record;
    if (command) {
        record = *command;
        storedRecord = &record;
        wizardCommand = command;
        editMode = 1;
        copyText(oldName, command->commandName);
    } else {
        wizardCommand = &record;
        editMode = 0;
        oldName[0] = L'\0';
    }
    stepNumber = 1;
    for (int& slot : pageHistory) slot = 0;
    runDialogResource(IDD_WIZARD_FRAME, ownerWindow, wizardFrameProc);
    wizardStarted = 0;
    wizardCommand = nullptr;
    storedRecord = nullptr;
    return commandStored ? 1 : 0;
}
