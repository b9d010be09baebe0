// The shell's start-up folder: after every boot the device starts the target
// of each shortcut in \Windows\StartUp. A shortcut file is text: the length
// of the target in characters, "#", then the target, a program path (quoted
// when it holds blanks) optionally followed by arguments.
#ifndef MORVANE_EMULATOR_STARTUP_FOLDER_H
#define MORVANE_EMULATOR_STARTUP_FOLDER_H

#include <string>
#include <vector>

namespace startup_folder {

struct ShortcutTarget {
    std::wstring program;
    std::wstring arguments;   // after the blanks that follow the program
};

// Reads a shortcut file's bytes (ANSI as the shell writes them, or UTF-8 or
// UTF-16 with a byte-order mark). Returns an empty string when `target` was
// filled, else why the bytes are not a shortcut.
std::wstring parseShortcut(const std::string& bytes, ShortcutTarget& target);

struct StartupResult {
    int started = 0;
    std::vector<std::wstring> problems;   // one line per shortcut that did not start
};

// Starts the target of every "*.lnk" in `folder`, in the order of their names.
// A shortcut that cannot be read or started is reported and the rest still run.
StartupResult runStartupFolder(const std::wstring& folder);

} // namespace startup_folder

#endif
