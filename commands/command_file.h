// The command file "zelvane.dat" in the "Data" folder beside the program: a
// sequence of length-prefixed records with no header. Every operation opens
// the file, does its work and closes it again; an enumeration keeps it open
// from index 0 until it reports no more.
//
// The resident instance and an event instance share the file. Every change
// (append, delete, replace) writes a whole new file and renames it over the
// command file, holding a mutex named after the folder throughout, so no
// change of one process is lost to the other and a process that dies at any
// moment leaves the old file or the new one. Readers take no lock. A change
// that cannot reach the file says why and leaves the file as it was.
#ifndef MORVANE_COMMANDS_COMMAND_FILE_H
#define MORVANE_COMMANDS_COMMAND_FILE_H

#include <windows.h>
#include "commands/command.h"
#include "platform/scoped.h"

// Passed to readNextCommand to end an enumeration early.
constexpr DWORD EndEnumeration = 0xFFFFFFFF;

class CommandFile {
public:
    CommandFile();
    // The command file of the program installed in programFolder, for a
    // reader beside the program rather than inside it; the "Data" folder is
    // not created.
    explicit CommandFile(const wchar_t* programFolder);
    virtual ~CommandFile();
    CommandFile(const CommandFile&) = delete;
    CommandFile& operator=(const CommandFile&) = delete;

    int openCommandFile();
    // A damaged record ends the enumeration like the end of the file; the
    // fields before the damage may already be in command.
    int readNextCommand(DWORD index, Command& command);
    int findCommand(const wchar_t* name, Command& command);   // command untouched when absent
    int commandExists(const wchar_t* name);
    int appendCommand(const Command& command);
    // Writes one record at the end of the open file; a short write is cut off
    // again and reported (result 0). For tools that fill a file they have to
    // themselves: it takes no lock and a process that dies in it may leave
    // part of a record.
    int writeCommand(const Command& command);
    static DWORD storedLength(const Command& command);
    // Removes every record of the name; a name not stored leaves the file
    // untouched and succeeds.
    int deleteCommand(const wchar_t* name);
    // The first record holding stored (as findCommand or readNextCommand gave
    // it) removed and command appended, in one step: other records of the
    // same name stay. When no record holds stored any more, command is
    // appended all the same.
    int replaceCommand(const Command& stored, const Command& command);
    void closeCommandFile();

    const wchar_t* dataFolderPath() const { return dataFolder; }

    // The longest body this program writes: a full name, the largest action
    // data (a full message) and the longest schedule. A stored length above
    // it marks a damaged record.
    static constexpr DWORD MaxBodyLength = 2 * PathCapacity + 2 + 2 * MessageCapacity + 2 + 16;
    // How long a change keeps trying to replace the file while another
    // process has it open.
    static constexpr DWORD ReplaceTimeoutMs = 3000;

private:
    enum class RecordRead { Record, End, Damaged };
    enum class WriteResult { Done, LockFailed, OpenFailed, Damaged, TemporaryFailed, WriteFailed, ReplaceFailed };
    struct Change;

    void setDataFolder(const wchar_t* programFolder);
    DWORD openQuietly();   // 0, or the error that openCommandFile reports
    RecordRead nextRecord(const BYTE*& body, DWORD& length);
    DWORD bufferedBytes(DWORD wanted);
    bool writeRecord(const Command& command, DWORD& bodyWritten);
    int rewrite(Change& change);   // says what failed
    WriteResult rewriteLocked(Change& change);
    bool writeAdded(HANDLE target, const Command& command);
    void removeStaleTemporary(const wchar_t* temporaryPath);
    bool copyPrefix(HANDLE target, ULONGLONG count);
    bool filePath(const wchar_t* name, wchar_t (&path)[PathCapacity]) const;
    DWORD recoverLeftoverTemporary();   // 0, or the error that stops the open

    ScopedHandle commandHandle;
    wchar_t dataFolder[PathCapacity];

    // Records are read through this block: under the platform each ReadFile
    // costs far more than copying. It always holds a whole record. It lives
    // on the heap, as the objects live on the stack of their users.
    static constexpr DWORD ReadBlockSize = 65536;
    static_assert(ReadBlockSize >= 4 + MaxBodyLength, "a record fits in the read block");
    ScopedHeapMemory<BYTE> readBlock;
    DWORD readStart = 0;    // first unused byte
    DWORD readEnd = 0;      // one past the last byte read from the file
};

#endif
