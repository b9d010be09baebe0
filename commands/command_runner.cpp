#include "commands/command_runner.h"

CommandRunner::CommandRunner() = default;
CommandRunner::~CommandRunner() = default;

int CommandRunner::runPowerOnCommands() { return 1; }
int CommandRunner::runResetCommands() { return 1; }
int CommandRunner::runTimedCommands() { return 0; }
int CommandRunner::executeCommand(const Command&) { return 1; }
void CommandRunner::saveLastRunDate() {}
