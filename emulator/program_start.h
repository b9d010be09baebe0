// The device's own program starts (the notification service, the start-up
// folder, devctl). Wine now and then refuses a start on a loaded machine with
// ERROR_INTERNAL_ERROR (1359): the new process ended before it ever ran. A
// handheld never does, so the device tries again, a few times with a pause.
// Only the device's own starts do: Morvane's and its launcher's starts are
// theirs to handle.
#ifndef MORVANE_EMULATOR_PROGRAM_START_H
#define MORVANE_EMULATOR_PROGRAM_START_H

#include <windows.h>
#include <functional>

namespace program_start {

constexpr int Attempts = 6;

// Calls start until it succeeds, fails for another reason, or has failed
// Attempts times with 1359, pausing pauseMs longer after each refusal; the
// last error stays.
BOOL retryingRefusals(const std::function<BOOL()>& start, DWORD pauseMs = 250);

} // namespace program_start

#endif
