// Runs the commands of an event (power-on, reset, a registered time) and any
// single command on request. Every executed command bumps its usage counter
// before its action is tried.
#ifndef MORVANE_COMMANDS_COMMAND_RUNNER_H
#define MORVANE_COMMANDS_COMMAND_RUNNER_H

#include "commands/command.h"

class CommandRunner {
public:
    CommandRunner();
    virtual ~CommandRunner();

    int runPowerOnCommands();
    int runResetCommands();
    int runTimedCommands();
    int executeCommand(const Command& command);
    void saveLastRunDate();
};

#endif
