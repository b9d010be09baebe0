#include "commands/command_file.h"
#include "commands/command_file_parts.h"
#include "commands/command_record.h"
#include "platform/device.h"
#include "platform/modal.h"
#include "platform/text.h"
#include "shell/app_state.h"

#include <cstring>
#include <cwchar>
#include <iterator>

using namespace command_file_parts;
using namespace command_record;

namespace command_file_parts {

void showOpenFailure(DWORD error)
{
    wchar_t text[160];
    swprintf(text, std::size(text),
             L"Unable to open command file. Reinstall Morvane or contact support.\r\nCode: %d",
             static_cast<int>(error));
    ce::MessageBoxW(nullptr, text, Caption, MB_ICONEXCLAMATION);
}

} // namespace command_file_parts

CommandFile::CommandFile()
{
    wchar_t module[PathCapacity] = L"";
    GetModuleFileNameW(instanceHandle, module, static_cast<DWORD>(std::size(module)));
    module[std::size(module) - 1] = L'\0';
    if (wchar_t* lastSlash = wcsrchr(module, L'\\')) *lastSlash = L'\0';
    setDataFolder(module);
    if (dataFolder[0]) ce::CreateDirectoryW(dataFolder, nullptr);
}

CommandFile::CommandFile(const wchar_t* programFolder)
{
    setDataFolder(programFolder);
}

void CommandFile::setDataFolder(const wchar_t* programFolder)
{
    // A folder too long for "\Data" stays empty, and every open then fails.
    if (!copyText(dataFolder, programFolder) || !appendText(dataFolder, L"\\Data")) dataFolder[0] = L'\0';
}

CommandFile::~CommandFile() = default;

bool CommandFile::filePath(const wchar_t* name, wchar_t (&path)[PathCapacity]) const
{
    return dataFolder[0] && copyText(path, dataFolder) && appendText(path, L"\\") && appendText(path, name);
}

// Where the records that read, from the first, end: the file's size when all
// of them do. Leaves the reader at the start again.
DWORD CommandFile::readableEnd()
{
    readOffset = 0;
    const BYTE* body = nullptr;
    DWORD length = 0;
    StringLengths lengths;
    DWORD end = 0;
    while (nextRecord(body, length) == RecordRead::Record && checkBody(body, length, lengths)) end = readOffset;
    readOffset = 0;
    return end;
}

DWORD CommandFile::openQuietly()
{
    closeCommandFile();
    wchar_t path[PathCapacity];
    if (!filePath(CommandFileName, path)) return ERROR_FILENAME_EXCED_RANGE;
    if (DWORD error = recoverLeftoverTemporary()) return error;
    HANDLE file = ce::CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD error = GetLastError();
    if (file == INVALID_HANDLE_VALUE) return error ? error : ERROR_OPEN_FAILED;
    commandHandle.reset(file);
    return 0;
}

// Readers take the whole file and let go of it at once. The platform cannot
// replace a file that another process has open, whatever sharing that
// process asked for, and every change replaces the file: a reader that kept
// it open while it acts (a run showing a message) would refuse every change
// for as long. Taking a copy costs a read of the file, which is small.
DWORD CommandFile::loadQuietly()
{
    if (DWORD error = openQuietly()) return error;
    DWORD error = readWhole(commandHandle.get());
    commandHandle.reset();
    if (error) forgetContents();
    return error;
}

bool CommandFile::reserve(DWORD bytes)
{
    if (contents && bytes <= contentsCapacity) return true;
    const DWORD rounded = (bytes + 4095u) & ~4095u;
    contents.reset();
    contentsCapacity = 0;
    contents = heapArray<BYTE>(rounded);
    if (!contents) return false;
    contentsCapacity = rounded;
    return true;
}

DWORD CommandFile::readWhole(HANDLE file)
{
    forgetContents();
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) return GetLastError() ? GetLastError() : ERROR_READ_FAULT;
    if (size.QuadPart > MaxFileBytes) return ERROR_NOT_ENOUGH_MEMORY;
    const DWORD wanted = static_cast<DWORD>(size.QuadPart);
    if (!reserve(wanted)) return ERROR_NOT_ENOUGH_MEMORY;
    while (contentsSize < wanted) {
        DWORD got = 0;
        if (!ReadFile(file, contents.get() + contentsSize, wanted - contentsSize, &got, nullptr)) {
            DWORD error = GetLastError();
            return error ? error : ERROR_READ_FAULT;
        }
        if (got == 0) break;   // cut shorter meanwhile, by a tool writing in place
        contentsSize += got;
    }
    return 0;
}

int CommandFile::openCommandFile()
{
    DWORD error = openQuietly();
    if (error) {
        showOpenFailure(error);
        return 0;
    }
    return 1;
}

void CommandFile::closeCommandFile()
{
    commandHandle.reset();
    forgetContents();
}

// The next whole record of the copy. A length beyond any record kept, or a
// body cut short, is damage: nothing after it can be trusted.
CommandFile::RecordRead CommandFile::nextRecord(const BYTE*& body, DWORD& length)
{
    const DWORD left = contentsSize - readOffset;
    if (left == 0) return RecordRead::End;
    if (left < 4) return RecordRead::Damaged;
    memcpy(&length, contents.get() + readOffset, 4);
    if (length > MaxKeptBodyLength || left - 4 < length) return RecordRead::Damaged;
    body = contents.get() + readOffset + 4;
    readOffset += 4 + length;
    return RecordRead::Record;
}

int CommandFile::readNextCommand(DWORD index, Command& command)
{
    if (index == EndEnumeration) {
        closeCommandFile();
        return 0;
    }
    if (index == 0) {
        DWORD error = loadQuietly();
        if (error) {
            showOpenFailure(error);
            return 0;
        }
    }
    const BYTE* body = nullptr;
    DWORD length = 0;
    if (nextRecord(body, length) != RecordRead::Record || !checkAndDecodeBody(body, length, command)) {
        closeCommandFile();
        return 0;
    }
    return 1;
}

int CommandFile::findCommand(const wchar_t* name, Command& command)
{
    if (!name) return 0;
    if (DWORD error = loadQuietly()) {
        showOpenFailure(error);
        return 0;
    }
    size_t nameLength = wcslen(name);
    const BYTE* body = nullptr;
    DWORD length = 0;
    StringLengths lengths;
    int found = 0;
    while (!found && nextRecord(body, length) == RecordRead::Record && checkBody(body, length, lengths)) {
        if (storedNameEquals(body, lengths, name, nameLength)) {
            decodeBody(body, length, lengths, command);
            found = 1;
        }
    }
    forgetContents();
    return found;
}

int CommandFile::commandExists(const wchar_t* name)
{
    if (!name) return 0;
    if (DWORD error = loadQuietly()) {
        showOpenFailure(error);
        return 0;
    }
    size_t nameLength = wcslen(name);
    const BYTE* body = nullptr;
    DWORD length = 0;
    StringLengths lengths;
    int found = 0;
    while (!found && nextRecord(body, length) == RecordRead::Record && checkBody(body, length, lengths))
        found = storedNameEquals(body, lengths, name, nameLength);
    forgetContents();
    return found;
}

DWORD CommandFile::storedLength(const Command& command)
{
    return encode(command, nullptr);
}
