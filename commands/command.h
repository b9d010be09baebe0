// One user-defined command: a name, a trigger, an action with the data of every
// action kind, and the schedule that times an OnSchedule command. A plain
// value of fixed capacity, copied member-wise.
#ifndef MORVANE_COMMANDS_COMMAND_H
#define MORVANE_COMMANDS_COMMAND_H

#include <windows.h>
#include <cstdint>
#include <mmsystem.h>   // before the enums: PlaySound is also a Win32 macro
#include "resources/resource.h"

// Text capacities in UTF-16 units, terminator included.
constexpr size_t PathCapacity = 260;      // paths, names, arguments
constexpr size_t MessageCapacity = 1024;  // message text

// The codes are the identifiers of the wizard's radio buttons and are stored
// in the command file as they are; any other 16-bit value may be read back.
enum class ActionKind : WORD {
    LaunchProgram    = IDC_ACTION_LAUNCH_PROGRAM,
    Cleanup          = IDC_ACTION_CLEANUP,
    PlaySound        = IDC_ACTION_PLAY_SOUND,
    ShowMessage      = IDC_ACTION_SHOW_MESSAGE,
    CleanFolder      = IDC_ACTION_CLEAN_FOLDER,
    CloseAllPrograms = IDC_ACTION_CLOSE_ALL,
};

enum class TriggerKind : WORD {
    AfterReset        = IDC_TRIGGER_AFTER_RESET,
    OnSchedule        = IDC_TRIGGER_ON_SCHEDULE,
    AfterPowerOn      = IDC_TRIGGER_AFTER_POWER_ON,
    FirstPowerOnOfDay = IDC_TRIGGER_FIRST_OF_DAY,
};

enum class Recurrence : WORD { Daily = 0, Weekly = 1, Monthly = 2, Yearly = 3, Once = 4 };

enum class TimeMode : WORD {
    AtFirstPowerOn = IDC_RECUR_FIRST_POWER_ON,
    AtSpecificTime = IDC_RECUR_SPECIFIC_TIME,
};

enum class MonthlyMode : WORD {
    MonthlyByDay     = IDC_MONTHLY_BY_DAY,
    MonthlyByWeekday = IDC_MONTHLY_BY_WEEKDAY,
};

enum class YearlyMode : WORD {
    YearlyByDate    = IDC_YEARLY_BY_DATE,
    YearlyByWeekday = IDC_YEARLY_BY_WEEKDAY,
};

// Bits of cleanupOptions.
enum CleanupOption : WORD {
    CleanRegistry        = 1,
    CleanShortcuts       = 2,
    RemoveTemporaryFiles = 4,
    RemoveEmptyItems     = 8,
    ClearInternetCache   = 16,
    ClearInternetHistory = 32,
    AllCleanupOptions    = 63,
};

struct Command {
    // The data of every action kind; which fields mean something depends on
    // actionKind.
    struct ActionData {
        ActionData();
        WORD cleanupOptions;
        wchar_t folderPath[PathCapacity];
        int32_t includeSubfolders;
        wchar_t programPath[PathCapacity];
        wchar_t programArguments[PathCapacity];
        wchar_t messageText[MessageCapacity];
        wchar_t soundName[PathCapacity];
        int32_t soundRepeatCount;
    };

    // Timing of an OnSchedule command; the date defaults describe today.
    struct Schedule {
        Schedule();
        Recurrence recurrence;
        TimeMode timeMode;
        SYSTEMTIME runTime;          // only hour and minute carry meaning
        WORD weekdayMask;            // bit d: day of week d, Sunday = bit 0
        MonthlyMode monthlyMode;
        WORD monthlyDay;
        WORD monthlyWeek;            // ordinal index, 0 = first
        WORD monthlyWeekday;
        YearlyMode yearlyMode;
        WORD yearlyMonth;
        WORD yearlyDay;
        WORD yearlyWeek;
        WORD yearlyWeekday;
        WORD yearlyWeekMonth;
        WORD onceDay;
        WORD onceMonth;
        WORD onceYear;
    };

    Command();

    ActionKind actionKind;
    TriggerKind triggerKind;
    ActionData action;
    Schedule schedule;
    wchar_t commandName[PathCapacity];
};

#endif
