// The command wizard: the only way a user creates a command or changes a
// stored one. One page at a time, each a full-screen modal dialog; the frame
// dialog runs the page loop and "< Back" follows the pages recorded per step.
// Callers keep dialogOpen set while it runs and schedule the next timed run
// afterwards, whether the user finished or cancelled.
#ifndef MORVANE_WIZARD_COMMAND_WIZARD_H
#define MORVANE_WIZARD_COMMAND_WIZARD_H

#include <windows.h>
#include "commands/command.h"

class CommandWizard {
public:
    CommandWizard();
    virtual ~CommandWizard();
    CommandWizard(const CommandWizard&) = delete;
    CommandWizard& operator=(const CommandWizard&) = delete;

    // Runs to Finish or Cancel. With a command, edits that record in place
    // (the caller keeps it); without, creates a new command. 1 when the
    // command was stored, 0 when the wizard was cancelled.
    int runWizard(HWND owner, Command* command);

private:
    HWND ownerWindow = nullptr;
};

// Opens a page modally and returns its result; a forward result sets
// nextPage. A page whose dialog cannot be opened gives PageCancel, so that
// the wizard ends in order.
INT_PTR openPage(int pageId);
// Reopens the page recorded for the previous step.
INT_PTR goBack();
// "Finish": stores the command. A store that fails has said why, and the
// wizard stays where it is with everything entered, so that "Finish" can be
// pressed again or the wizard cancelled.
bool storeWizardCommand();

#endif
