// `./device why NAME`: what a stored command does, when it last ran and what
// came of it, when it runs next, and anything on the device that keeps it
// from running, in a few lines, from the device's state alone.
#ifndef MORVANE_EMULATOR_WHY_H
#define MORVANE_EMULATOR_WHY_H

#include "commands/command.h"
#include "schedule/calendar_date.h"

#include <functional>
#include <string>
#include <vector>

namespace why {

struct DeviceState {
    std::vector<Command> commands;          // in file order
    CalendarDate now;
    bool firstPowerOnDoneToday = false;
    bool commandsEnabled = false;           // Options, "Enable Commands"
    bool wakeupRegistered = false;          // the launcher, at the device's wake-up
    bool timedRegistered = false;           // the launcher, at a moment
    bool startupEntry = false;              // the launcher's entry in the start-up folder
    std::vector<std::wstring> history;      // the run history's whole lines
    std::function<bool(const wchar_t*)> exists;   // a device path names a file or folder
};

// The answer for `name`, and whether a command of that name is stored (when
// not, the answer names the stored names closest to it).
std::wstring answer(const std::wstring& name, const DeviceState& state, bool& stored);

} // namespace why

#endif
