// Deletes the files of a folder (and with recursion its whole tree), then
// removes the folder itself.
#ifndef MORVANE_COMMANDS_FOLDER_CLEANER_H
#define MORVANE_COMMANDS_FOLDER_CLEANER_H

// Returns 1 when the folder itself was removed at the end, else 0.
int cleanFolder(const wchar_t* folder, int recursive);

#endif
