// The modal window that shows the text of a ShowMessage command (dialog 132).
#ifndef MORVANE_COMMANDS_MESSAGE_WINDOW_H
#define MORVANE_COMMANDS_MESSAGE_WINDOW_H

#include "commands/command.h"

#include <windows.h>

class MessageWindow {
public:
    MessageWindow();   // no text: the window shows its template's empty line
    virtual ~MessageWindow();
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    // Keeps a copy of text, replacing any earlier one; a text longer than
    // 1023 characters is cut there. Null removes the text.
    void setText(const wchar_t* text);

    // Shows the window modally with no owner and returns when the user closes
    // it: 1, or -1 when the window could not be made.
    INT_PTR show();

private:
    static INT_PTR CALLBACK dialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    void onInitDialog(HWND dialog) const;

    wchar_t messageText[MessageCapacity] = L"";
    bool hasText = false;
};

#endif
