// The device's notification services: start a program at a system event or at
// a moment of the device clock. The registrations outlive the caller; a
// program is started with "AppRunAfterWakeup" for the wake-up event and with
// "AppRunAtTime" at its moment.
#ifndef MORVANE_PLATFORM_NOTIFY_H
#define MORVANE_PLATFORM_NOTIFY_H

#include <windows.h>

constexpr LONG NOTIFICATION_EVENT_NONE   = 0;   // removes every event registration of a program
constexpr LONG NOTIFICATION_EVENT_WAKEUP = 11;  // the device was powered on

// Registers the program for the event; NOTIFICATION_EVENT_NONE removes all of
// its event registrations instead.
BOOL CeRunAppAtEvent(const wchar_t* pwszAppName, LONG lWhichEvent);

// Starts the program once when the device clock reaches lpTime (local time).
// A program has at most one timed start: a new time replaces the old one and a
// null time cancels it.
BOOL CeRunAppAtTime(const wchar_t* pwszAppName, const SYSTEMTIME* lpTime);

// The moment of the program's timed start as the notification services hold
// it now (on the handheld, read back from the notification database); FALSE
// when the program has none.
BOOL GetRunAppAtTime(const wchar_t* pwszAppName, SYSTEMTIME* lpTime);

#endif
