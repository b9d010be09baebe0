#include "commands/command_file.h"
#include "platform/device.h"
#include "platform/modal.h"
#include "platform/text.h"
#include "shell/app_state.h"

#include <cstring>
#include <cwchar>
#include <iterator>

namespace {

constexpr wchar_t CommandFileName[] = L"zelvane.dat";
constexpr wchar_t TemporaryFileName[] = L"_cmd_.tmp";
constexpr wchar_t Caption[] = L"Morvane";
// The unreadable rest of a damaged file goes to "zelvane.bad", or, when an
// earlier one is there, "zelvane2.bad" and on: never over an earlier one.
constexpr wchar_t SetAsideStem[] = L"zelvane";
constexpr int SetAsideNames = 999;

// Packs the body fields in file order into out, or only counts their bytes
// when out is null. Nothing is aligned.
class BodyWriter {
public:
    explicit BodyWriter(BYTE* out) : out_(out) {}
    DWORD size() const { return size_; }

    void bytes(const void* data, DWORD count)
    {
        if (out_) memcpy(out_ + size_, data, count);
        size_ += count;
    }
    void byte(BYTE value) { bytes(&value, 1); }
    void word(WORD value) { bytes(&value, 2); }
    void int32(int32_t value) { bytes(&value, 4); }

    // At most capacity - 1 characters and the terminator, so that a field
    // that lost its terminator still gives a record the reader accepts.
    void string(const wchar_t* text, size_t capacity)
    {
        size_t length = boundedLength(text, capacity);
        if (length == capacity) length = capacity - 1;
        bytes(text, static_cast<DWORD>(length * sizeof(wchar_t)));
        word(0);
    }

private:
    BYTE* out_;
    DWORD size_ = 0;
};

void writeBody(const Command& command, BodyWriter& out)
{
    out.string(command.commandName, PathCapacity);
    out.word(static_cast<WORD>(command.actionKind));
    const Command::ActionData& action = command.action;
    switch (command.actionKind) {
    case ActionKind::LaunchProgram:
        out.string(action.programPath, PathCapacity);
        out.string(action.programArguments, PathCapacity);
        break;
    case ActionKind::Cleanup:
        out.word(action.cleanupOptions);
        break;
    case ActionKind::PlaySound:
        out.string(action.soundName, PathCapacity);
        out.int32(action.soundRepeatCount);
        break;
    case ActionKind::ShowMessage:
        out.string(action.messageText, MessageCapacity);
        break;
    case ActionKind::CleanFolder:
        out.string(action.folderPath, PathCapacity);
        out.byte(static_cast<BYTE>(action.includeSubfolders & 0xFF));
        break;
    default:
        break;
    }
    out.word(static_cast<WORD>(command.triggerKind));
    if (command.triggerKind != TriggerKind::OnSchedule) return;

    const Command::Schedule& schedule = command.schedule;
    out.word(static_cast<WORD>(schedule.recurrence));
    switch (schedule.recurrence) {
    case Recurrence::Weekly:
        out.word(schedule.weekdayMask);
        break;
    case Recurrence::Monthly:
        out.word(static_cast<WORD>(schedule.monthlyMode));
        if (schedule.monthlyMode == MonthlyMode::MonthlyByDay) {
            out.word(schedule.monthlyDay);
        } else {
            out.word(schedule.monthlyWeek);
            out.word(schedule.monthlyWeekday);
        }
        break;
    case Recurrence::Yearly:
        out.word(static_cast<WORD>(schedule.yearlyMode));
        if (schedule.yearlyMode == YearlyMode::YearlyByDate) {
            out.word(schedule.yearlyMonth);
            out.word(schedule.yearlyDay);
        } else {
            out.word(schedule.yearlyWeek);
            out.word(schedule.yearlyWeekday);
            out.word(schedule.yearlyWeekMonth);
        }
        break;
    case Recurrence::Once:
        out.word(schedule.onceDay);
        out.word(schedule.onceMonth);
        out.word(schedule.onceYear);
        break;
    default:
        break;
    }
    out.word(static_cast<WORD>(schedule.timeMode));
    if (schedule.timeMode == TimeMode::AtSpecificTime) {
        out.word(schedule.runTime.wHour);
        out.word(schedule.runTime.wMinute);
    }
}

// Whether any of the four 16-bit units packed in a word is zero.
inline bool hasZeroUnit(uint64_t four)
{
    return ((four - 0x0001000100010001ull) & ~four & 0x8000800080008000ull) != 0;
}

// The length of each string of a body, in units with the terminator, as a
// check of the body found them: decoding the body again needs no search.
struct StringLengths {
    DWORD units[3];   // a body holds at most three strings
    int count = 0;
};

// Takes the body fields apart, never reading past the body or writing past a
// field. Without lengthsKnown it searches each terminator and notes where it
// was; with lengthsKnown it decodes a body checked before and trusts those
// lengths.
class BodyReader {
public:
    BodyReader(const BYTE* body, DWORD length, StringLengths& lengths, bool lengthsKnown)
        : body_(body), length_(length), lengths_(lengths), lengthsKnown_(lengthsKnown) {}

    bool bytes(void* out, DWORD count)
    {
        if (length_ - position_ < count) return false;
        if (out) memcpy(out, body_ + position_, count);
        position_ += count;
        return true;
    }
    bool byte(BYTE* out) { return bytes(out, 1); }
    bool word(WORD* out) { return bytes(out, 2); }
    bool int32(int32_t* out) { return bytes(out, 4); }

    // The terminator must lie inside both the body and the field. The search
    // is most of what reading costs, so it tests four units at a time and
    // copies them to the field (if any) as it passes them. A field whose
    // string has no terminator is left empty, never unterminated.
    bool string(wchar_t* field, size_t capacity)
    {
        if (lengthsKnown_) {
            if (next_ >= lengths_.count || lengths_.units[next_] > capacity) return false;
            return bytes(field, lengths_.units[next_++] * sizeof(wchar_t));
        }
        DWORD units = (length_ - position_) / sizeof(wchar_t);
        if (units > capacity) units = static_cast<DWORD>(capacity);
        const BYTE* text = body_ + position_;
        BYTE* out = reinterpret_cast<BYTE*>(field);
        DWORD i = 0;
        for (; i + 4 <= units; i += 4) {
            uint64_t four;
            memcpy(&four, text + i * sizeof(wchar_t), sizeof four);
            if (hasZeroUnit(four)) break;
            if (out) memcpy(out + i * sizeof(wchar_t), &four, sizeof four);
        }
        for (; i < units; ++i) {   // the four with the zero, or the last few units
            WORD unit;
            memcpy(&unit, text + i * sizeof(wchar_t), sizeof unit);
            if (out) memcpy(out + i * sizeof(wchar_t), &unit, sizeof unit);
            if (unit != 0) continue;
            if (lengths_.count == static_cast<int>(std::size(lengths_.units))) break;
            lengths_.units[lengths_.count++] = i + 1;
            position_ += (i + 1) * sizeof(wchar_t);
            return true;
        }
        if (field && capacity) field[0] = L'\0';
        return false;
    }

private:
    const BYTE* body_;
    DWORD length_;
    DWORD position_ = 0;
    StringLengths& lengths_;
    bool lengthsKnown_;
    int next_ = 0;
};

template <typename Enum>
bool enumWord(BodyReader& in, Enum* out)
{
    WORD value;
    if (!in.word(&value)) return false;
    if (out) *out = static_cast<Enum>(value);
    return true;
}

// Checks that the body holds every field its kinds call for and, given a
// target, decodes it there, overwriting only the fields the body holds. With
// lengthsKnown the body was checked before and its string lengths noted.
// Bytes after the fields are ignored.
bool readBody(const BYTE* body, DWORD length, Command* target, StringLengths& lengths, bool lengthsKnown)
{
    BodyReader in(body, length, lengths, lengthsKnown);
    if (!in.string(target ? target->commandName : nullptr, PathCapacity)) return false;

    ActionKind actionKind;
    if (!enumWord(in, &actionKind)) return false;
    if (target) target->actionKind = actionKind;
    Command::ActionData* action = target ? &target->action : nullptr;
    switch (actionKind) {
    case ActionKind::LaunchProgram:
        if (!in.string(action ? action->programPath : nullptr, PathCapacity) ||
            !in.string(action ? action->programArguments : nullptr, PathCapacity))
            return false;
        break;
    case ActionKind::Cleanup:
        if (!in.word(action ? &action->cleanupOptions : nullptr)) return false;
        break;
    case ActionKind::PlaySound:
        if (!in.string(action ? action->soundName : nullptr, PathCapacity) ||
            !in.int32(action ? &action->soundRepeatCount : nullptr))
            return false;
        break;
    case ActionKind::ShowMessage:
        if (!in.string(action ? action->messageText : nullptr, MessageCapacity)) return false;
        break;
    case ActionKind::CleanFolder: {
        BYTE flag;
        if (!in.string(action ? action->folderPath : nullptr, PathCapacity) || !in.byte(&flag)) return false;
        // Only the low byte is stored; the rest of the field stays as it was.
        if (action)
            action->includeSubfolders = static_cast<int32_t>(
                (static_cast<uint32_t>(action->includeSubfolders) & 0xFFFFFF00u) | flag);
        break;
    }
    default:
        break;
    }

    TriggerKind triggerKind;
    if (!enumWord(in, &triggerKind)) return false;
    if (target) target->triggerKind = triggerKind;
    if (triggerKind != TriggerKind::OnSchedule) return true;

    Command::Schedule* schedule = target ? &target->schedule : nullptr;
    auto field = [schedule](WORD Command::Schedule::*member) {
        return schedule ? &(schedule->*member) : nullptr;
    };
    Recurrence recurrence;
    if (!enumWord(in, &recurrence)) return false;
    if (schedule) schedule->recurrence = recurrence;
    switch (recurrence) {
    case Recurrence::Weekly:
        if (!in.word(field(&Command::Schedule::weekdayMask))) return false;
        break;
    case Recurrence::Monthly: {
        MonthlyMode mode;
        if (!enumWord(in, &mode)) return false;
        if (schedule) schedule->monthlyMode = mode;
        if (mode == MonthlyMode::MonthlyByDay) {
            if (!in.word(field(&Command::Schedule::monthlyDay))) return false;
        } else if (!in.word(field(&Command::Schedule::monthlyWeek)) ||
                   !in.word(field(&Command::Schedule::monthlyWeekday))) {
            return false;
        }
        break;
    }
    case Recurrence::Yearly: {
        YearlyMode mode;
        if (!enumWord(in, &mode)) return false;
        if (schedule) schedule->yearlyMode = mode;
        if (mode == YearlyMode::YearlyByDate) {
            if (!in.word(field(&Command::Schedule::yearlyMonth)) ||
                !in.word(field(&Command::Schedule::yearlyDay)))
                return false;
        } else if (!in.word(field(&Command::Schedule::yearlyWeek)) ||
                   !in.word(field(&Command::Schedule::yearlyWeekday)) ||
                   !in.word(field(&Command::Schedule::yearlyWeekMonth))) {
            return false;
        }
        break;
    }
    case Recurrence::Once:
        if (!in.word(field(&Command::Schedule::onceDay)) || !in.word(field(&Command::Schedule::onceMonth)) ||
            !in.word(field(&Command::Schedule::onceYear)))
            return false;
        break;
    default:
        break;
    }

    TimeMode timeMode;
    if (!enumWord(in, &timeMode)) return false;
    if (schedule) schedule->timeMode = timeMode;
    if (timeMode == TimeMode::AtSpecificTime) {
        if (!in.word(schedule ? &schedule->runTime.wHour : nullptr) ||
            !in.word(schedule ? &schedule->runTime.wMinute : nullptr))
            return false;
    }
    return true;
}

bool checkBody(const BYTE* body, DWORD length, StringLengths& lengths)
{
    lengths.count = 0;
    return readBody(body, length, nullptr, lengths, false);
}

// Decodes a body that checkBody accepted.
void decodeBody(const BYTE* body, DWORD length, StringLengths& lengths, Command& command)
{
    readBody(body, length, &command, lengths, true);
}

// Checks and decodes in one pass, which the enumeration's speed depends on: on
// damage, the fields before it are already in command (its strings stay
// terminated).
bool checkAndDecodeBody(const BYTE* body, DWORD length, Command& command)
{
    StringLengths lengths;
    return readBody(body, length, &command, lengths, false);
}

wchar_t asciiUpper(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c; }

// The name at the start of a checked body, compared without regard to case.
// Differences in the ASCII range are settled here; any other goes to the
// platform's case tables.
bool storedNameEquals(const BYTE* body, const StringLengths& lengths, const wchar_t* name, size_t nameLength)
{
    if (lengths.units[0] - 1 != nameLength) return false;
    size_t i = 0;
    for (; i + 4 <= nameLength; i += 4) {   // equal stretches four units at a time
        uint64_t stored, given;
        memcpy(&stored, body + i * sizeof(wchar_t), sizeof stored);
        memcpy(&given, name + i, sizeof given);
        if (stored != given) break;
    }
    for (; i < nameLength; ++i) {
        wchar_t stored;   // the body may place the name at an odd address
        memcpy(&stored, body + i * sizeof(wchar_t), sizeof stored);
        wchar_t given = name[i];
        if (stored == given) continue;
        if (stored < 128 && given < 128) {
            if (asciiUpper(stored) != asciiUpper(given)) return false;
            continue;
        }
        wchar_t whole[PathCapacity];
        memcpy(whole, body, nameLength * sizeof(wchar_t));
        return CompareStringOrdinal(whole, static_cast<int>(nameLength), name, static_cast<int>(nameLength), TRUE) ==
               CSTR_EQUAL;
    }
    return true;
}

// Serialises the writers of one data folder across processes: a mutex named
// after the folder, lower-cased since paths ignore case.
class WriterLock {
public:
    explicit WriterLock(const wchar_t* folder) : mutex_(CreateMutexW(nullptr, FALSE, mutexName(folder).text)),
                                                 lock_(mutex_.get()) {}
    bool held() const { return lock_.held(); }

private:
    struct Name { wchar_t text[64]; };

    static Name mutexName(const wchar_t* folder)
    {
        // Lower-cased by the kernel's invariant mapping, so that a timed start
        // deleting a command never loads the window library for it.
        wchar_t lower[PathCapacity] = L"";
        const int length = static_cast<int>(boundedLength(folder, PathCapacity - 1));
        LCMapStringW(LOCALE_INVARIANT, LCMAP_LOWERCASE, folder, length, lower, PathCapacity - 1);
        unsigned long hash = 2166136261u;   // FNV-1a
        for (const wchar_t* p = lower; *p; ++p) hash = ((hash ^ static_cast<unsigned>(*p)) * 16777619u) & 0xFFFFFFFFu;
        Name name;
        swprintf(name.text, std::size(name.text), L"MorvaneCommandFile-%08lx", hash);
        return name;
    }

    ScopedHandle mutex_;
    MutexLock lock_;
};

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

void showOpenFailure(DWORD error)
{
    wchar_t text[160];
    swprintf(text, std::size(text),
             L"Unable to open command file. Reinstall Morvane or contact support.\r\nCode: %d",
             static_cast<int>(error));
    ce::MessageBoxW(nullptr, text, Caption, MB_ICONEXCLAMATION);
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
    BodyWriter counter(nullptr);
    writeBody(command, counter);
    return counter.size();
}

bool CommandFile::writeRecord(const Command& command, DWORD& bodyWritten)
{
    BYTE record[4 + MaxBodyLength];
    BodyWriter body(record + 4);
    writeBody(command, body);
    DWORD length = body.size();
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
        BodyWriter body(change.storedBody);
        writeBody(*change.stored, body);
        change.storedBytes = body.size();
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
        BodyWriter body(record + 4);
        writeBody(*change.added, body);
        change.addedLength = body.size();
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
