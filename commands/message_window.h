// The modal window that shows the text of a ShowMessage command.
#ifndef MORVANE_COMMANDS_MESSAGE_WINDOW_H
#define MORVANE_COMMANDS_MESSAGE_WINDOW_H

class MessageWindow {
public:
    MessageWindow();
    virtual ~MessageWindow();
};

#endif
