// The command file "zelvane.dat" in the "Data" folder beside the program: a
// sequence of length-prefixed records with no header. Every operation opens
// the file, does its work and closes it again; an enumeration keeps it open
// from index 0 until it reports no more.
#ifndef MORVANE_COMMANDS_COMMAND_FILE_H
#define MORVANE_COMMANDS_COMMAND_FILE_H

#include <windows.h>
#include "commands/command.h"

// Passed to readNextCommand to end an enumeration early.
constexpr DWORD EndEnumeration = 0xFFFFFFFF;

class CommandFile {
public:
    CommandFile();
    virtual ~CommandFile();
    CommandFile(const CommandFile&) = delete;
    CommandFile& operator=(const CommandFile&) = delete;

    int openCommandFile();
    int readNextCommand(DWORD index, Command& command);
    int findCommand(const wchar_t* name, Command& command);
    int commandExists(const wchar_t* name);
    int appendCommand(const Command& command);
    int writeCommand(const Command& command);
    static DWORD storedLength(const Command& command);
    int deleteCommand(const wchar_t* name);
    void closeCommandFile();

    const wchar_t* dataFolderPath() const { return dataFolder; }

private:
    HANDLE commandHandle = INVALID_HANDLE_VALUE;
    HANDLE tempHandle = INVALID_HANDLE_VALUE;
    wchar_t dataFolder[PathCapacity];
};

#endif
