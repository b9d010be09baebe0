// The command file "zelvane.dat" in the "Data" folder beside the program: a
// sequence of length-prefixed records with no header. Every operation opens
// the file, does its work and closes it again; an enumeration keeps it open
// from index 0 until it reports no more.
//
// The resident instance and an event instance share the file. Every writer
// (append, delete) holds a mutex named after the folder for its whole
// read-rewrite-replace, so no change of one process is lost to the other.
// Readers take no lock: a delete replaces the file in one step, and a record
// being appended reads as the end of the file.
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
    // Writes one record at the current position of the open file, which must
    // be its end; a short write is cut off again and reported (result 0).
    // appendCommand calls it under the writers' lock; any other caller must
    // have the file to itself.
    int writeCommand(const Command& command);
    static DWORD storedLength(const Command& command);
    int deleteCommand(const wchar_t* name);
    // Every record of oldName removed and command appended, in one step.
    int replaceCommand(const wchar_t* oldName, const Command& command);
    void closeCommandFile();

    const wchar_t* dataFolderPath() const { return dataFolder; }

    // The longest body this program writes: a full name, the largest action
    // data (a full message) and the longest schedule. A stored length above
    // it marks a damaged record.
    static constexpr DWORD MaxBodyLength = 2 * PathCapacity + 2 + 2 * MessageCapacity + 2 + 16;
    // How long a delete keeps trying to replace the file while another
    // process has it open.
    static constexpr DWORD ReplaceTimeoutMs = 3000;

private:
    enum class RecordRead { Record, End, Damaged };
    enum class DeleteResult { Done, Failed, OpenFailed, TemporaryFailed };

    void setDataFolder(const wchar_t* programFolder);
    DWORD openQuietly();   // 0, or the error that openCommandFile reports
    RecordRead nextRecord(const BYTE*& body, DWORD& length);
    DWORD bufferedBytes(DWORD wanted);
    bool writeRecord(const Command& command, DWORD& bodyWritten);
    int rewrite(const wchar_t* name, const Command* replacement);
    DeleteResult rewriteWithout(const wchar_t* name, DWORD& openError, const Command* replacement);
    bool writeReplacement(HANDLE target, const Command& command);
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
