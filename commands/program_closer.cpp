#include "commands/program_closer.h"

void closeAllPrograms() {}
