// What the command file's reading and its changes share: the files' names,
// the messages' caption, the open failure's message and the writers' lock.
#ifndef MORVANE_COMMANDS_COMMAND_FILE_PARTS_H
#define MORVANE_COMMANDS_COMMAND_FILE_PARTS_H

#include "commands/command.h"
#include "platform/scoped.h"
#include "platform/text.h"

#include <cwchar>
#include <iterator>

namespace command_file_parts {

inline constexpr wchar_t CommandFileName[] = L"zelvane.dat";
inline constexpr wchar_t TemporaryFileName[] = L"_cmd_.tmp";
inline constexpr wchar_t Caption[] = L"Morvane";

void showOpenFailure(DWORD error);

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

} // namespace command_file_parts

#endif
