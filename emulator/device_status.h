// What the `device` script shows of a device: its clock and registrations,
// one fact per line, for people and for grep.
#ifndef MORVANE_EMULATOR_DEVICE_STATUS_H
#define MORVANE_EMULATOR_DEVICE_STATUS_H

#include "platform/notification_db.h"

#include <windows.h>
#include <string>
#include <vector>

namespace device_status {

// "YYYY-MM-DD HH:MM:SS".
std::wstring formatMoment(const SYSTEMTIME& moment);

// Reads "YYYY-MM-DD HH:MM" (seconds optional) into a moment of the calendar.
// Returns an empty string, or why the text is not one.
std::wstring parseMoment(const std::wstring& text, SYSTEMTIME& moment);

// The "NextScheduled" line: the stored names, whatever their length, up to
// the first zero; a note in brackets when there is no such string.
std::wstring nextScheduledLine();

// Every line of the status, each ending in a new line:
//   clock 2024-05-01 21:58:03
//   event 11 wake-up \windows\mvlaunch.exe
//   timed 2024-05-01 22:00:00 \windows\mvlaunch.exe
//   NextScheduled Backup;Tidy
std::wstring statusText(const SYSTEMTIME& clock,
                        const std::vector<notification_db::EventRegistration>& events,
                        const std::vector<notification_db::TimedRegistration>& timed,
                        const std::wstring& nextScheduled);

} // namespace device_status

#endif
