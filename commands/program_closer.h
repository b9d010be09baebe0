// Asks every running program with a visible titled window to close.
#ifndef MORVANE_COMMANDS_PROGRAM_CLOSER_H
#define MORVANE_COMMANDS_PROGRAM_CLOSER_H

void closeAllPrograms();

#endif
