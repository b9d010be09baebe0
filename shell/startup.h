// The entry point's work: dispatch on the event argument, run an event's
// commands, or become the resident instance and run the message loop.
#ifndef MORVANE_SHELL_STARTUP_H
#define MORVANE_SHELL_STARTUP_H

#include <windows.h>

// The three event arguments; any other command line is a user start.
constexpr wchar_t PowerOnArgument[] = L"AppRunAfterWakeup";
constexpr wchar_t ResetArgument[]   = L"-reset";
constexpr wchar_t TimedArgument[]   = L"AppRunAtTime";

// Exit codes besides the message loop's own.
constexpr int EventHandledExitCode = 1;
constexpr int StartRefusedExitCode = 0;

int morvaneMain(HINSTANCE instance, const wchar_t* commandLine);

#endif
