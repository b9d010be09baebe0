// The device's notification service: starts the programs registered with
// CeRunAppAtTime when the device clock reaches their moment (once; the
// registration is then gone) and those registered for the wake-up event at
// every power-on. It never polls: between events it sleeps until the earliest
// moment ahead, or until the registrations or the clock change.
#ifndef MORVANE_EMULATOR_NOTIFICATION_SERVICE_H
#define MORVANE_EMULATOR_NOTIFICATION_SERVICE_H

#include "platform/notification_db.h"

#include <windows.h>
#include <string>
#include <vector>

namespace notification_service {

// The longest single sleep (INFINITE itself means "no moment ahead").
constexpr DWORD LongestWait = INFINITE - 1;

// A registration's moment in device-clock ticks (100 ns since 1601).
ULONGLONG ticksOf(const SYSTEMTIME& moment);

// The registrations whose moment has come at `now`, earliest first.
std::vector<notification_db::TimedRegistration>
dueAt(std::vector<notification_db::TimedRegistration> registrations, ULONGLONG now);

// How long to sleep until the earliest moment still ahead of `now`: INFINITE
// when there is none. Moments already due are not counted: they fire when
// the service wakes, and one that could not be removed must not keep it awake.
DWORD millisecondsUntilNextDue(const std::vector<notification_db::TimedRegistration>& registrations,
                               ULONGLONG now);

// Starts a program the way the platform does: the child sees exactly
// `argument` as its arguments. False when it could not be started.
bool startRegisteredProgram(const std::wstring& program, const wchar_t* argument);

// Fires every timed registration that is due: each is removed first, and
// only while it still holds the moment that fell due (a program that
// registered again meanwhile keeps its new moment); then its program starts
// with "AppRunAtTime". Returns how many programs were started.
int fireDueRegistrations();

// The power button: starts every wake-up program with "AppRunAfterWakeup",
// then fires what fell due while the device was off. Returns how many
// programs were started.
int powerOn();

// Serves until `shutdown` is set: fires due registrations, answers each
// `powerOnRequest` by powering on and setting `powerOnDone`. Returns 0 after
// a shutdown request, 1 when it cannot wait.
int serve(HANDLE shutdown, HANDLE powerOnRequest, HANDLE powerOnDone);

} // namespace notification_service

#endif
