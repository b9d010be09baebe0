// The wizard's state: one copy per process, shared by the driver and every
// page, used only on the user-interface thread.
#ifndef MORVANE_WIZARD_WIZARD_STATE_H
#define MORVANE_WIZARD_WIZARD_STATE_H

#include <windows.h>
#include "commands/command.h"
#include "platform/aygshell.h"

// The longest path has seven pages: six are left with "Next >".
constexpr int PageHistorySlots = 8;

extern Command* wizardCommand;        // the record every page reads and writes
extern int editMode;                  // 1 while a stored command is edited
extern wchar_t oldName[PathCapacity]; // in edit mode, the stored name at entry
extern int wizardStarted;             // the frame has started the page loop
extern int nextPage;                  // the page the next forward move opens
extern int stepNumber;                // the step shown by the page being opened
extern int pageHistory[PageHistorySlots];   // slot k: the page shown as step k
extern SHACTIVATEINFO settingChangeInfo;    // shared by every page

// The page left with an accepted "Next >" takes the slot of its step.
void recordPage(int pageId);

#endif
