#include "commands/run_history.h"
#include "commands/command_file.h"
#include "platform/device.h"
#include "platform/scoped.h"
#include "platform/text.h"

#include <cstring>
#include <cwchar>
#include <iterator>

namespace {

constexpr wchar_t HistoryName[] = L"history.txt";
constexpr wchar_t TrimmedName[] = L"_history_.tmp";
constexpr wchar_t WritersMutexName[] = L"MorvaneRunHistory";
// A run may wait this long for another process's line, never longer.
constexpr DWORD TurnWaitMs = 2000;
// Longer than any line: a name and a message of the longest, in UTF-8.
constexpr LONGLONG LongestLineBytes = 4096;

// Both paths once per process, from the command file's folder; empty when
// they do not fit.
struct Paths {
    wchar_t history[PathCapacity];
    wchar_t trimmed[PathCapacity];
};

const Paths* historyPaths()
{
    static Paths paths;
    static int known;   // 0 not yet, 1 found, -1 none
    if (!known) {
        CommandFile file;
        const wchar_t* folder = file.dataFolderPath();
        const bool fits = folder[0] && copyText(paths.history, folder) && appendText(paths.history, L"\\") &&
                          appendText(paths.history, HistoryName) && copyText(paths.trimmed, folder) &&
                          appendText(paths.trimmed, L"\\") && appendText(paths.trimmed, TrimmedName);
        known = fits ? 1 : -1;
    }
    return known > 0 ? &paths : nullptr;
}

// A name never holds a tab or a line break in the history: the fields and
// lines must stay apart.
bool appendField(HeapText& line, const wchar_t* text, size_t capacity)
{
    const size_t length = boundedLength(text, capacity);
    for (size_t i = 0; i < length; ++i) {
        wchar_t c = text[i];
        if (c == L'\t' || c == L'\r' || c == L'\n') c = L' ';
        if (!line.append(&c, 1)) return false;
    }
    return true;
}

bool appendTime(HeapText& line)
{
    SYSTEMTIME now;
    ce::GetLocalTime(&now);
    return line.appendNumber(now.wYear, 4) && line.append(L"-") && line.appendNumber(now.wMonth, 2) &&
           line.append(L"-") && line.appendNumber(now.wDay, 2) && line.append(L" ") &&
           line.appendNumber(now.wHour, 2) && line.append(L":") && line.appendNumber(now.wMinute, 2) &&
           line.append(L":") && line.appendNumber(now.wSecond, 2);
}

// The last KeptLines lines of a file of size bytes, or fewer when they
// would pass KeptBytes (lines of long names and paths), so that a trim makes
// room for many lines to come, through file, into a new file that takes its
// place in one rename. Nothing is lost when any step fails: the file simply
// stays as long as it is.
void trim(ScopedHandle& file, LONGLONG size, const Paths& paths)
{
    const LONGLONG tail = size < run_history::KeptBytes + LongestLineBytes ? size
                                                                           : run_history::KeptBytes + LongestLineBytes;
    ScopedHeapMemory<char> bytes = heapArray<char>(static_cast<size_t>(tail));
    LARGE_INTEGER start{};
    start.QuadPart = size - tail;
    DWORD got = 0;
    const bool read = bytes && SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN) &&
                      ReadFile(file.get(), bytes.get(), static_cast<DWORD>(tail), &got, nullptr) && got > 0;
    // The platform renames no file that is open.
    file.reset();
    if (!read) return;
    // Back from the end over KeptLines line ends (the last one ends the file).
    DWORD from = got;
    unsigned ends = 0;
    while (from > 0) {
        if (bytes.get()[from - 1] == '\n' && (++ends > run_history::KeptLines || got - from > run_history::KeptBytes))
            break;
        --from;
    }
    if (from == 0) return;
    ScopedHandle trimmed(ce::CreateFileW(paths.trimmed, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    const bool whole = trimmed && WriteFile(trimmed.get(), bytes.get() + from, got - from, &written, nullptr) &&
                       written == got - from && FlushFileBuffers(trimmed.get());
    trimmed.reset();
    if (!whole || !ce::MoveFileExW(paths.trimmed, paths.history, MOVEFILE_REPLACE_EXISTING))
        ce::DeleteFileW(paths.trimmed);
}

// Whether the file does not end with a line end: a writer was ended
// mid-line. The file's position is left at its end.
bool endsTorn(HANDLE file, const LARGE_INTEGER& end)
{
    LARGE_INTEGER last{};
    last.QuadPart = end.QuadPart - 1;
    char byte = '\n';
    DWORD got = 0;
    return SetFilePointerEx(file, last, nullptr, FILE_BEGIN) && ReadFile(file, &byte, 1, &got, nullptr) &&
           got == 1 && byte != '\n';
}

// The torn line is cut off, so that every line in the file is whole. The
// tear lies within the last line, never longer than LongestLineBytes.
void cutTornLine(HANDLE file, LONGLONG size)
{
    char tail[LongestLineBytes];
    const LONGLONG from = size > LongestLineBytes ? size - LongestLineBytes : 0;
    LARGE_INTEGER at{};
    at.QuadPart = from;
    DWORD got = 0;
    if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN) ||
        !ReadFile(file, tail, static_cast<DWORD>(size - from), &got, nullptr) || got != size - from)
        return;
    while (got > 0 && tail[got - 1] != '\n') --got;
    at.QuadPart = from + got;
    if (SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) SetEndOfFile(file);
}

// Kept open from a process's first line until letGo(), so that a run of many
// commands opens the history once. No other process's trim can replace the
// file meanwhile (the platform renames nothing over a file that is open):
// the trim waits for a later line.
ScopedHandle keptFile;
// A history that would not open is not tried again until letGo(): the rest
// of the run pays nothing for it.
bool openFailed;

void writeLine(const char* text, int length)
{
    const Paths* paths = historyPaths();
    if (!paths) return;
    static HANDLE writers;
    HANDLE mutex = keptHandle(writers, [] { return CreateMutexW(nullptr, FALSE, WritersMutexName); });
    if (!mutex) return;
    // A writer that was ended mid-line leaves the turn abandoned: it passes
    // on. One that holds it for longer than a moment (stopped, say) costs
    // this process one wait, not one per line: its later lines are left out.
    static bool turnsGivenUp;
    if (turnsGivenUp || openFailed) return;
    const DWORD turn = WaitForSingleObject(mutex, TurnWaitMs);
    if (turn != WAIT_OBJECT_0 && turn != WAIT_ABANDONED) {
        turnsGivenUp = true;
        return;
    }
    // A line is torn only by a writer ended mid-line: one that held the turn
    // (it is abandoned), or one before this file was opened (a reset).
    bool mayBeTorn = turn == WAIT_ABANDONED;
    if (!keptFile) {
        mayBeTorn = true;
        keptFile.reset(ce::CreateFileW(paths->history, GENERIC_READ | GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        openFailed = !keptFile;
    }
    LARGE_INTEGER end{};
    if (keptFile && SetFilePointerEx(keptFile.get(), LARGE_INTEGER{}, &end, FILE_END)) {
        if (mayBeTorn && end.QuadPart > 0 && endsTorn(keptFile.get(), end)) {
            cutTornLine(keptFile.get(), end.QuadPart);
            SetFilePointerEx(keptFile.get(), LARGE_INTEGER{}, &end, FILE_END);
        }
        DWORD written = 0;
        if (WriteFile(keptFile.get(), text, static_cast<DWORD>(length), &written, nullptr) &&
            end.QuadPart + length > static_cast<LONGLONG>(run_history::TrimAboveBytes))
            trim(keptFile, end.QuadPart + length, *paths);
    }
    ReleaseMutex(mutex);
}

} // namespace

namespace run_history {

const wchar_t* kindOf(const Command& command)
{
    switch (command.actionKind) {
    case ActionKind::LaunchProgram: return L"launch";
    case ActionKind::ShowMessage: return L"message";
    case ActionKind::PlaySound: return L"sound";
    case ActionKind::CleanFolder: return L"clean folder";
    case ActionKind::CloseAllPrograms: return L"close programs";
    case ActionKind::Cleanup: return L"cleanup";
    default: return L"unknown";
    }
}

void record(const wchar_t* trigger, const Command& command, const wchar_t* outcome)
{
    HeapText line;
    if (!appendTime(line) || !line.append(L"\t") || !line.append(trigger) || !line.append(L"\t") ||
        !appendField(line, command.commandName, PathCapacity) || !line.append(L"\t") ||
        !line.append(kindOf(command)) || !line.append(L"\t") || !appendField(line, outcome, MessageCapacity + 64) ||
        !line.append(L"\n"))
        return;
    const int length = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.length()), nullptr, 0,
                                           nullptr, nullptr);
    ScopedHeapMemory<char> bytes = heapArray<char>(static_cast<size_t>(length > 0 ? length : 1));
    if (length <= 0 || !bytes) return;
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.length()), bytes.get(), length, nullptr,
                        nullptr);
    writeLine(bytes.get(), length);
}

void letGo()
{
    keptFile.reset();
    openFailed = false;
}

} // namespace run_history
