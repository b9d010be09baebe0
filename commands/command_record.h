// A record of the command file: a 4-byte length, then the body, the
// command's fields packed in file order without alignment (UTF-16 strings
// with their terminators, 16-bit kinds and schedule words, 32-bit numbers).
// Which fields a body holds follows from its action and trigger kinds.
#ifndef MORVANE_COMMANDS_COMMAND_RECORD_H
#define MORVANE_COMMANDS_COMMAND_RECORD_H

#include "commands/command.h"

namespace command_record {

// The length of each string of a body, in units with the terminator, as a
// check of the body found them: decoding the body again needs no search.
struct StringLengths {
    DWORD units[3];   // a body holds at most three strings
    int count = 0;
};

// The body of command into out, or, when out is null, only its length; the
// length either way. out holds CommandFile::MaxBodyLength bytes.
DWORD encode(const Command& command, BYTE* out);

// Whether a body holds every field its kinds call for, noting its strings'
// lengths; bytes after the fields are ignored.
bool checkBody(const BYTE* body, DWORD length, StringLengths& lengths);
// Decodes a body that checkBody accepted.
void decodeBody(const BYTE* body, DWORD length, StringLengths& lengths, Command& command);
// Checks and decodes in one pass; on damage the fields before it are already
// in command (its strings stay terminated).
bool checkAndDecodeBody(const BYTE* body, DWORD length, Command& command);
// The name at the start of a checked body, compared without regard to case.
bool storedNameEquals(const BYTE* body, const StringLengths& lengths, const wchar_t* name, size_t nameLength);

} // namespace command_record

#endif
