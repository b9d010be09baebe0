// The command file "zelvane.dat" in the "Data" folder beside the program: a
// sequence of length-prefixed records with no header. Every operation opens
// the file, does its work and closes it again.
//
// The resident instance and event instances share the file. Readers take the
// whole file into memory and let go of it at once, before they act on what
// they read: an enumeration goes on from that copy, so a run that shows a
// message for an hour, or a list being filled, never holds the file. Every
// change (append, delete, replace) writes a whole new file, flushes it and
// renames it over the command file, holding a mutex named after the folder
// throughout, so no change of one process is lost to the other and a process
// that dies at any moment leaves the old file or the new one. A change that
// cannot reach the file says why and leaves the file as it was; one that
// meets a damaged record keeps every record before it and sets the rest
// aside in a file of its own ("zelvane.bad").
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

    // Opens the file and keeps it open until closeCommandFile, for
    // writeCommand.
    int openCommandFile();
    // Index 0 reads the whole file and lets go of it; the records then come
    // from that copy. A damaged record ends the enumeration like the end of
    // the file; the fields before the damage may already be in command.
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
    // Removes every record of the name; a name not stored leaves a whole file
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
    // data (a full message) and the longest schedule.
    static constexpr DWORD MaxBodyLength = 2 * PathCapacity + 2 + 2 * MessageCapacity + 2 + 16;
    // A later version may write longer records. One up to this length whose
    // known fields read is read past, and kept byte for byte by every change;
    // a longer length marks damage.
    static constexpr DWORD MaxKeptBodyLength = 65532;
    // A file beyond this size is not read: no handheld holds it in memory.
    static constexpr DWORD MaxFileBytes = 64u << 20;
    // How long a change keeps trying to replace the file while another
    // process has it open.
    static constexpr DWORD ReplaceTimeoutMs = 3000;

private:
    enum class RecordRead { Record, End, Damaged };
    enum class WriteResult {
        Done, LockFailed, OpenFailed, TemporaryFailed, WriteFailed, AddedShort, SetAsideFailed, ReplaceFailed
    };
    struct Change;

    void setDataFolder(const wchar_t* programFolder);
    DWORD openQuietly();   // 0, or the error that openCommandFile reports
    DWORD loadQuietly();   // the whole file into contents, the file closed again
    DWORD readWhole(HANDLE file);
    bool reserve(DWORD bytes);
    void forgetContents() { contentsSize = readOffset = 0; }
    RecordRead nextRecord(const BYTE*& body, DWORD& length);
    DWORD readableEnd();   // where the records that read, from the first, end
    bool writeRecord(const Command& command, DWORD& bodyWritten);
    int rewrite(Change& change);   // says what failed
    WriteResult rewriteLocked(Change& change);
    WriteResult writeKept(HANDLE target, Change& change, DWORD keptEnd);
    WriteResult setAside(Change& change, DWORD from);
    bool filePath(const wchar_t* name, wchar_t (&path)[PathCapacity]) const;
    DWORD recoverLeftoverTemporary();   // 0, or the error that stops the open
    void removeStaleTemporary(const wchar_t* temporaryPath);

    ScopedHandle commandHandle;
    wchar_t dataFolder[PathCapacity];

    // The file as the last reading found it, on the heap, as the objects live
    // on the stack of their users; kept for the next reading.
    ScopedHeapMemory<BYTE> contents;
    DWORD contentsCapacity = 0;
    DWORD contentsSize = 0;
    DWORD readOffset = 0;   // where the next record starts
};

#endif
