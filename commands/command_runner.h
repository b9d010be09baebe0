// Runs the commands of an event (power-on, reset, a registered time) and any
// single command on request. Every executed command bumps its usage counter
// before its action is tried, so the counters count attempts.
#ifndef MORVANE_COMMANDS_COMMAND_RUNNER_H
#define MORVANE_COMMANDS_COMMAND_RUNNER_H

#include <windows.h>
#include "commands/command.h"
#include "shell/settings_store.h"

class CommandRunner {
public:
    CommandRunner();
    virtual ~CommandRunner();

    // Commands triggered at every power-on, at the first power-on of a day,
    // and schedules due today at first power-on. The last-run date is stored
    // first, so a day's first power-on commands run at most once.
    int runPowerOnCommands();
    int runResetCommands();
    // The commands named in "NextScheduled", in order; a Once command is
    // deleted after its run. 0 when no name is stored, or when another run
    // claimed the moment already.
    int runTimedCommands();
    // Also adds the command's line to the run history.
    int executeCommand(const Command& command);
    void saveLastRunDate();

    // Plays one repetition of a sound; the device's own player unless a test
    // listens instead (the test machine has no audio device).
    using SoundPlayer = BOOL (*)(const wchar_t* path);
    static void setSoundPlayer(SoundPlayer player);

private:
    static constexpr const wchar_t* ByHand = L"by hand";

    // Open for the whole run: a run of many commands counts each one.
    SettingsStore settings;
    // What started the command being executed, as the run history says it.
    const wchar_t* trigger = ByHand;
};

#endif
