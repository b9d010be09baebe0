#include "commands/command_file.h"
#include "commands/command_file_parts.h"
#include "commands/command_record.h"
#include "platform/device.h"
#include "platform/modal.h"
#include "platform/text.h"

#include <cstring>
#include <cwchar>
#include <iterator>

using namespace command_file_parts;
using namespace command_record;

namespace {

// The unreadable rest of a damaged file goes to "zelvane.bad", or, when an
// earlier one is there, "zelvane2.bad" and on: never over an earlier one.
constexpr wchar_t SetAsideStem[] = L"zelvane";
constexpr int SetAsideNames = 999;

bool writeAll(HANDLE file, const BYTE* data, DWORD count, DWORD* written = nullptr)
{
    DWORD done = 0;
    const bool whole = (count == 0 || WriteFile(file, data, count, &done, nullptr)) && done == count;
    if (written) *written = done;
    return whole;
}

// The platform refuses to replace a file that another process holds open
// (another reader taking its copy, a program that is not ours); readers let
// go at once, so retry for a while.
bool replaceFile(const wchar_t* replacement, const wchar_t* target)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (ce::MoveFileExW(replacement, target, MOVEFILE_REPLACE_EXISTING)) return true;
        DWORD error = GetLastError();
        if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) return false;
        if (GetTickCount() - start >= CommandFile::ReplaceTimeoutMs) return false;
        Sleep(20);
    }
}

void showShortWrite(DWORD written, DWORD computed)
{
    wchar_t text[96];
    swprintf(text, std::size(text), L"Bytes Written != Record Length : %d != %d", static_cast<int>(written),
             static_cast<int>(computed));
    ce::MessageBoxW(nullptr, text, Caption, MB_ICONEXCLAMATION);
}

// A failure of a change to the file, with the platform's error code.
void showFailure(const wchar_t* what, DWORD error)
{
    wchar_t text[200];
    swprintf(text, std::size(text), L"%ls\r\nCode: %d", what, static_cast<int>(error));
    ce::MessageBoxW(nullptr, text, Caption, MB_ICONEXCLAMATION);
}

void showSetAside(const wchar_t* path)
{
    wchar_t text[PathCapacity + 200];
    swprintf(text, std::size(text),
             L"Part of the command file could not be read. Every command before it was kept, and the rest was "
             L"set aside in %ls.",
             path);
    ce::MessageBoxW(nullptr, text, Caption, MB_ICONEXCLAMATION);
}

} // namespace

// An older version's delete that stopped after removing the command file
// left the kept records in the temporary file only: it becomes the command
// file again, but only when every record in it reads, since a temporary file
// cut short by a power cut would pass for the whole. One that does not read
// is removed. Fails (with the platform's error) only when the rename fails,
// so that no empty command file hides the records.
DWORD CommandFile::recoverLeftoverTemporary()
{
    wchar_t commandPath[PathCapacity], temporaryPath[PathCapacity];
    if (!filePath(CommandFileName, commandPath) || !filePath(TemporaryFileName, temporaryPath)) return 0;
    auto commandFileMissing = [&commandPath] {
        return ce::GetFileAttributesW(commandPath) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND;
    };
    if (!commandFileMissing()) {
        removeStaleTemporary(temporaryPath);
        return 0;
    }
    DWORD attributes = ce::GetFileAttributesW(temporaryPath);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return 0;
    WriterLock lock(dataFolder);
    if (!lock.held() || !commandFileMissing()) return 0;
    bool whole = false;
    {
        ScopedHandle temporary(ce::CreateFileW(temporaryPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
        whole = temporary && readWhole(temporary.get()) == 0 && readableEnd() == contentsSize;
        forgetContents();
    }
    if (!whole) {
        ce::DeleteFileW(temporaryPath);
        return 0;
    }
    if (ce::MoveFileExW(temporaryPath, commandPath, 0)) return 0;
    DWORD error = GetLastError();
    return error ? error : ERROR_OPEN_FAILED;
}

// With the command file in place, a temporary file is what a failed
// replacement left: it must never come back as the command file later.
void CommandFile::removeStaleTemporary(const wchar_t* temporaryPath)
{
    DWORD attributes = ce::GetFileAttributesW(temporaryPath);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    // Under the writers' lock a temporary file is never one being written.
    WriterLock lock(dataFolder);
    if (lock.held()) ce::DeleteFileW(temporaryPath);
}

bool CommandFile::writeRecord(const Command& command, DWORD& bodyWritten)
{
    BYTE record[4 + MaxBodyLength];
    DWORD length = encode(command, record + 4);
    memcpy(record, &length, 4);

    // The record goes out in one write: the platform charges for every call.
    bodyWritten = 0;
    LARGE_INTEGER start, zero{};
    if (!SetFilePointerEx(commandHandle.get(), zero, &start, FILE_END)) return false;
    DWORD written = 0;
    if (!WriteFile(commandHandle.get(), record, 4 + length, &written, nullptr)) written = 0;
    bodyWritten = written > 4 ? written - 4 : 0;
    if (written == 4 + length) return true;
    // A partial record would swallow every record appended after it.
    SetFilePointerEx(commandHandle.get(), start, nullptr, FILE_BEGIN);
    SetEndOfFile(commandHandle.get());
    return false;
}

int CommandFile::writeCommand(const Command& command)
{
    DWORD bodyWritten = 0;
    if (writeRecord(command, bodyWritten)) return 1;
    showShortWrite(bodyWritten, storedLength(command));
    return 0;
}

// What one rewrite changes: every record of a name removed, or only the first
// record holding a stored command; and a command appended.
struct CommandFile::Change {
    const wchar_t* name = nullptr;
    const Command* stored = nullptr;
    const Command* added = nullptr;
    // Filled by the rewrite:
    size_t nameLength = 0;
    BYTE storedBody[MaxBodyLength];   // the stored command as its record's body holds it
    DWORD storedBytes = 0;
    DWORD openError = 0;
    DWORD writeError = 0;
    DWORD addedWritten = 0;   // of the added record's body, when it went out short
    DWORD addedLength = 0;
    wchar_t setAsidePath[PathCapacity] = L"";   // where a damaged rest went

    // The encoding is canonical: a record whose checked fields are exactly
    // the stored command's bytes holds that command.
    bool removes(const BYTE* body, DWORD length, const void* checkedLengths) const
    {
        const StringLengths& lengths = *static_cast<const StringLengths*>(checkedLengths);
        if (name) return storedNameEquals(body, lengths, name, nameLength);
        return stored && length >= storedBytes && memcmp(body, storedBody, storedBytes) == 0;
    }
};

int CommandFile::appendCommand(const Command& command)
{
    Change change;
    change.added = &command;
    return rewrite(change);
}

int CommandFile::deleteCommand(const wchar_t* name)
{
    if (!name) return 0;
    Change change;
    change.name = name;
    return rewrite(change);
}

int CommandFile::replaceCommand(const Command& stored, const Command& command)
{
    Change change;
    change.stored = &stored;
    change.added = &command;
    return rewrite(change);
}

// Writes the records before keptEnd that the change keeps, byte for byte, so
// that records of kinds or versions this program does not know survive; runs
// of kept records go out in one write each.
CommandFile::WriteResult CommandFile::writeKept(HANDLE target, Change& change, DWORD keptEnd)
{
    readOffset = 0;
    DWORD runStart = 0;
    bool removedOne = false;
    const BYTE* body = nullptr;
    DWORD length = 0;
    StringLengths lengths;
    while (readOffset < keptEnd) {
        const DWORD recordStart = readOffset;
        nextRecord(body, length);   // read whole before: keptEnd ends a record that reads
        checkBody(body, length, lengths);
        if ((change.stored && removedOne) || !change.removes(body, length, &lengths)) continue;
        removedOne = true;
        if (!writeAll(target, contents.get() + runStart, recordStart - runStart)) return WriteResult::WriteFailed;
        runStart = readOffset;
    }
    if (!writeAll(target, contents.get() + runStart, keptEnd - runStart)) return WriteResult::WriteFailed;
    return WriteResult::Done;
}

// The unreadable rest of the file, from offset from on, into a file of its
// own that no later one overwrites, on the storage before the command file
// loses it.
CommandFile::WriteResult CommandFile::setAside(Change& change, DWORD from)
{
    for (int number = 1; number <= SetAsideNames; ++number) {
        wchar_t name[32];
        if (number == 1) swprintf(name, std::size(name), L"%ls.bad", SetAsideStem);
        else swprintf(name, std::size(name), L"%ls%d.bad", SetAsideStem, number);
        if (!filePath(name, change.setAsidePath)) break;
        ScopedHandle file(ce::CreateFileW(change.setAsidePath, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            if (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS) continue;
            break;
        }
        if (writeAll(file.get(), contents.get() + from, contentsSize - from) && FlushFileBuffers(file.get()))
            return WriteResult::Done;
        change.writeError = GetLastError();
        file.reset();
        ce::DeleteFileW(change.setAsidePath);
        change.setAsidePath[0] = L'\0';
        return WriteResult::SetAsideFailed;
    }
    change.writeError = GetLastError() ? GetLastError() : ERROR_FILE_EXISTS;
    change.setAsidePath[0] = L'\0';
    return WriteResult::SetAsideFailed;
}

// Every change is a complete new file that takes the command file's place in
// one rename, so that a process that dies at any moment leaves either the
// old file or the new one, never a part of a record. The new file reaches
// the storage before the rename: a power cut just after it must not find an
// empty file in the command file's place. A damaged record and all after it
// go to a file of their own, and every record before it is kept.
CommandFile::WriteResult CommandFile::rewriteLocked(Change& change)
{
    change.openError = loadQuietly();
    if (change.openError) return WriteResult::OpenFailed;
    if (change.stored) {
        change.storedBytes = encode(*change.stored, change.storedBody);
    }
    if (change.name) change.nameLength = wcslen(change.name);

    const DWORD keptEnd = readableEnd();
    const bool damaged = keptEnd != contentsSize;
    bool found = false;
    {
        const BYTE* body = nullptr;
        DWORD length = 0;
        StringLengths lengths;
        while (!found && readOffset < keptEnd && nextRecord(body, length) == RecordRead::Record &&
               checkBody(body, length, lengths))
            found = change.removes(body, length, &lengths);
    }
    if (!found && !change.added && !damaged) {   // nothing to remove, add or set aside
        forgetContents();
        return WriteResult::Done;
    }

    wchar_t commandPath[PathCapacity], temporaryPath[PathCapacity];
    filePath(CommandFileName, commandPath);
    filePath(TemporaryFileName, temporaryPath);
    ScopedHandle temporary(ce::CreateFileW(temporaryPath, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!temporary) {
        forgetContents();
        return WriteResult::TemporaryFailed;
    }

    WriteResult result = writeKept(temporary.get(), change, keptEnd);
    if (result == WriteResult::Done && change.added) {
        BYTE record[4 + MaxBodyLength];
        change.addedLength = encode(*change.added, record + 4);
        memcpy(record, &change.addedLength, 4);
        DWORD written = 0;
        if (!writeAll(temporary.get(), record, 4 + change.addedLength, &written)) {
            change.addedWritten = written > 4 ? written - 4 : 0;
            result = WriteResult::AddedShort;
        }
    }
    if (result == WriteResult::Done && !FlushFileBuffers(temporary.get())) result = WriteResult::WriteFailed;
    if (result == WriteResult::WriteFailed) change.writeError = GetLastError();
    if (result == WriteResult::Done && damaged) result = setAside(change, keptEnd);
    forgetContents();
    temporary.reset();
    if (result == WriteResult::Done && !replaceFile(temporaryPath, commandPath)) {
        change.writeError = GetLastError();
        result = WriteResult::ReplaceFailed;
    }
    if (result != WriteResult::Done) {
        // Nothing changed: neither the copy nor a set-aside rest may come
        // back later as if it had.
        ce::DeleteFileW(temporaryPath);
        if (change.setAsidePath[0]) ce::DeleteFileW(change.setAsidePath);
        change.setAsidePath[0] = L'\0';
    }
    return result;
}

// Messages wait until the lock is released: the other process must not stall
// while the user reads them.
int CommandFile::rewrite(Change& change)
{
    WriteResult result;
    DWORD lockError = 0;
    {
        WriterLock lock(dataFolder);
        if (lock.held()) result = rewriteLocked(change);
        else {
            result = WriteResult::LockFailed;
            lockError = GetLastError();
        }
    }
    switch (result) {
    case WriteResult::Done:
        if (change.setAsidePath[0]) showSetAside(change.setAsidePath);
        return 1;
    case WriteResult::OpenFailed:
        showOpenFailure(change.openError);
        break;
    case WriteResult::TemporaryFailed:
        ce::MessageBoxW(nullptr, L"Unable to create temp file.", Caption, MB_ICONEXCLAMATION);
        break;
    case WriteResult::WriteFailed:
        showFailure(L"Unable to write temp file. Nothing was changed.", change.writeError);
        break;
    case WriteResult::AddedShort:
        showShortWrite(change.addedWritten, change.addedLength);
        break;
    case WriteResult::SetAsideFailed:
        showFailure(L"Unable to set the unreadable part of the command file aside. Nothing was changed.",
                    change.writeError);
        break;
    case WriteResult::ReplaceFailed:
        showFailure(L"Unable to replace the command file; another program may be using it. Nothing was changed.",
                    change.writeError);
        break;
    case WriteResult::LockFailed:
        showFailure(L"Unable to lock the command file. Nothing was changed.", lockError);
        break;
    }
    return 0;
}
