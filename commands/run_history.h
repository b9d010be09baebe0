// The run history: "history.txt" beside the command file, one line per run of
// a command and per run that did not happen, so that a person can learn what
// ran, when, and why not (`./device history`, `./device why`). Each line is
// UTF-8, five fields separated by tabs:
//
//   DEVICE-TIME  TRIGGER  NAME  KIND  OUTCOME
//
// DEVICE-TIME is "YYYY-MM-DD HH:MM:SS"; TRIGGER is "power-on", "first power-on
// of the day", "reset", "timed", "timed, due YYYY-MM-DD HH:MM" (late, or not
// run) or "by hand"; KIND is "launch", "message", "sound", "clean folder",
// "close programs", "cleanup" or "unknown"; OUTCOME says in words what came of
// it. A line of another shape (a torn last line after a reset) is skipped by
// its readers.
//
// The history is never in the way: a line that cannot be written is left out
// without a word, and no run waits more than a moment for it. Writers of all
// processes take turns, so no line is lost; once the file passes 128 KB it
// keeps its last 1,000 lines (or 96 KB of the last lines, when they are
// longer), trimmed in one rename.
#ifndef MORVANE_COMMANDS_RUN_HISTORY_H
#define MORVANE_COMMANDS_RUN_HISTORY_H

#include "commands/command.h"

namespace run_history {

constexpr unsigned long TrimAboveBytes = 128 * 1024;
constexpr unsigned KeptLines = 1000;
// What a trim keeps at most: a thousand lines of long names keep fewer.
constexpr unsigned long KeptBytes = 96 * 1024;

// The kind of command, as the history names it.
const wchar_t* kindOf(const Command& command);

// Adds one line for command, at the device clock's present time. The history
// stays open in this process until letGo().
void record(const wchar_t* trigger, const Command& command, const wchar_t* outcome);

// Closes the history until the next line: at the end of a run, and before
// anything that may wait long (a message), so that the others' trims can
// replace it meanwhile.
void letGo();

} // namespace run_history

#endif
