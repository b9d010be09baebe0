#include "commands/message_window.h"

MessageWindow::MessageWindow() = default;
MessageWindow::~MessageWindow() = default;
