#include "wizard/wizard_state.h"

Command* wizardCommand = nullptr;
int editMode = 0;
wchar_t oldName[PathCapacity] = L"";
int wizardStarted = 0;
int nextPage = 0;
int stepNumber = 1;
int pageHistory[PageHistorySlots] = {};
SHACTIVATEINFO settingChangeInfo = [] {
    SHACTIVATEINFO info{};
    info.cbSize = sizeof info;
    return info;
}();

void recordPage(int pageId)
{
    // No path is longer than seven pages; a step past the slots is not kept.
    if (stepNumber < 1 || stepNumber >= PageHistorySlots) return;
    pageHistory[stepNumber] = pageId;
    ++stepNumber;
}
