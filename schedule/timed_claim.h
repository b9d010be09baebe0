// The moment of the registered timed run, and the claim of the run that
// serves it. The scheduler stores the moment it registers ("NextScheduledTime")
// beside the names due then ("NextScheduled"); a timed run claims both
// ("LastTimedRun") before it runs anything. So a moment runs once, even when
// the launcher is started twice for it, and a Once command that ran at its
// moment is never registered again, even when it could not be deleted.
#ifndef MORVANE_SCHEDULE_TIMED_CLAIM_H
#define MORVANE_SCHEDULE_TIMED_CLAIM_H

#include <windows.h>
#include "commands/command.h"
#include "platform/text.h"
#include "shell/settings_store.h"

// Stores the moment and the names due then, as one step for the other
// processes; a value that holds them already is not written again.
void storeNextTimedRun(SettingsStore& settings, const SYSTEMTIME& when, const HeapText& names);

// Claims the stored moment and its names for this run, and gives both (the
// moment as "YYYY-MM-DD HH:MM"). False when no name is stored, or when
// another run claimed them already. Names stored without a moment (by an
// older version) run unclaimed, and the moment is then empty.
bool claimTimedRun(SettingsStore& settings, HeapText& names, wchar_t (&moment)[StoredStringChars]);

// A moment as the two functions above store it: "YYYY-MM-DD HH:MM".
bool formatMoment(const SYSTEMTIME& t, wchar_t (&text)[StoredStringChars]);
// Its date and time; false when text does not begin with one.
bool parseMoment(const wchar_t* text, SYSTEMTIME& moment);

// The last claim, as the scheduler asks it.
class LastTimedRun {
public:
    explicit LastTimedRun(SettingsStore& settings);
    // Whether the Once command ran at its moment: that moment was claimed
    // with its name among the names.
    bool ranOnce(const Command& command) const;

private:
    HeapText claim_;
    SYSTEMTIME moment_{};
    bool valid_ = false;
};

#endif
