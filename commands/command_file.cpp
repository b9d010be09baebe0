#include "commands/command_file.h"
#include "platform/text.h"

CommandFile::CommandFile()
{
    wchar_t module[PathCapacity] = L"";
    GetModuleFileNameW(nullptr, module, static_cast<DWORD>(std::size(module)));
    if (wchar_t* lastSlash = wcsrchr(module, L'\\')) *lastSlash = L'\0';
    copyText(dataFolder, module);
    appendText(dataFolder, L"\\Data");
    CreateDirectoryW(dataFolder, nullptr);
}

CommandFile::~CommandFile() = default;

int CommandFile::openCommandFile() { return 0; }
int CommandFile::readNextCommand(DWORD, Command&) { return 0; }
int CommandFile::findCommand(const wchar_t*, Command&) { return 0; }
int CommandFile::commandExists(const wchar_t*) { return 0; }
int CommandFile::appendCommand(const Command&) { return 0; }
int CommandFile::writeCommand(const Command&) { return 0; }
DWORD CommandFile::storedLength(const Command&) { return 0; }
int CommandFile::deleteCommand(const wchar_t*) { return 0; }
void CommandFile::closeCommandFile() {}
