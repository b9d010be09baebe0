// The command list: the stored commands of one trigger, and the buttons that
// create, run, edit and delete them. It works on sharedCommandFile, and every
// change is followed by a new registration of the next timed run.
#ifndef MORVANE_SHELL_COMMAND_LIST_DIALOG_H
#define MORVANE_SHELL_COMMAND_LIST_DIALOG_H

#include <windows.h>

class CommandListDialog {
public:
    CommandListDialog() = default;
    virtual ~CommandListDialog() = default;
    CommandListDialog(const CommandListDialog&) = delete;
    CommandListDialog& operator=(const CommandListDialog&) = delete;

    // Runs the dialog modally, with no owner window; window is the main
    // dialog it was opened from.
    void run(HWND window);

    // Rebuilds the list from the chosen filter and enables the buttons that
    // need a selection only when the list has an entry.
    static void fillCommandList(HWND dialog);

private:
    HWND window_ = nullptr;
};

#endif
