// Resource identifiers of morvane.exe. Read by windres and by the C++ code.
//
// Numbers are fixed by the stored data and by the dialogs' contracts: the
// action, trigger, time-mode, monthly and yearly radio buttons double as the
// values written into the command file, so they must never be renumbered.
// Controls are named by the dialog that holds them; the same number is reused
// across dialogs where the design does so (1069 is both "Monday" on the weekly
// page and "Day" on the monthly page).
#ifndef MORVANE_RESOURCE_H
#define MORVANE_RESOURCE_H

// ---- Strings ------------------------------------------------------------
#define IDS_APP_TITLE               1       // "Morvane": title of the hidden window
#define IDS_WINDOW_CLASS            3       // "ZELMORVANE": its class name
#define IDS_MENUBAR_BUTTON          104     // " ": caption of the menu bar's one button

// ---- Accelerators, icon, menus ---------------------------------------------
#define IDR_ACCELERATORS            3
#define IDI_MORVANE                 101
#define IDR_TRAY_MENU               105
#define IDR_MENUBAR                 107

// ---- Dialogs -----------------------------------------------------------------
#define IDD_TRIGGER_PAGE            106
#define IDD_BROWSER                 108
#define IDD_ACTION_TYPE_PAGE        109
#define IDD_SOUND_PAGE              111
#define IDD_MESSAGE_PAGE            112
#define IDD_PROGRAM_PAGE            113
#define IDD_CLEANUP_OPTIONS_PAGE    114
#define IDD_FOLDER_PAGE             115
#define IDD_FINISHED_PAGE           116
#define IDD_OPTIONS                 117
#define IDD_NAME_PAGE               119
#define IDD_WIZARD_FRAME            120
#define IDD_MAIN                    121
#define IDD_STATISTICS              122
#define IDD_RECURRENCE_PAGE         124
#define IDD_ONCE_DATE_PAGE          125
#define IDD_WEEKLY_PAGE             126
#define IDD_MONTHLY_PAGE            127
#define IDD_YEARLY_PAGE             128
#define IDD_COMMAND_LIST            129
#define IDD_MESSAGE_WINDOW          132
#define IDD_ABOUT                   133

// ---- Menu and accelerator commands ------------------------------------------
#define IDM_MENUBAR_BUTTON          40001   // the menu bar's button; nothing handles it
#define IDM_ABOUT                   40003   // Ctrl+A
#define IDM_TRAY_EXIT               40007
#define IDM_TRAY_ABOUT              40011
#define IDM_TRAY_RUN_PLACEHOLDER    40012   // "_NULL_", removed before the submenu is filled
#define IDM_TRAY_OPEN               40014
#define IDM_TRAY_NEW_COMMAND        40016
#define IDM_TRAY_OPTIONS            40017

// ---- Wizard page buttons (every page) ---------------------------------------
#define IDC_WIZARD_NEXT             1003
#define IDC_WIZARD_BACK             1004
#define IDC_WIZARD_FINISH           1037

// ---- Trigger page (106): the values of TriggerKind ---------------------------
#define IDC_TRIGGER_AFTER_RESET     1006
#define IDC_TRIGGER_ON_SCHEDULE     1007
#define IDC_TRIGGER_AFTER_POWER_ON  1008
#define IDC_TRIGGER_FIRST_OF_DAY    1009

// ---- Once date page (125) ---------------------------------------------------
#define IDC_ONCE_CALENDAR           1010

// ---- Action type page (109): the values of ActionKind ------------------------
#define IDC_ACTION_LAUNCH_PROGRAM   1011
#define IDC_ACTION_CLEANUP          1012
#define IDC_ACTION_PLAY_SOUND       1013
#define IDC_ACTION_SHOW_MESSAGE     1014
#define IDC_ACTION_CLEAN_FOLDER     1015
#define IDC_ACTION_CLOSE_ALL        1016

// ---- Program page (113) -------------------------------------------------------
#define IDC_PROGRAM_PATH            1017
#define IDC_PROGRAM_BROWSE          1018
#define IDC_PROGRAM_ARGUMENTS       1019

// ---- Message page (112) -------------------------------------------------------
#define IDC_MESSAGE_TEXT_EDIT       1021

// ---- Sound page (111) ---------------------------------------------------------
#define IDC_SOUND_REPEAT_SPIN       1025
#define IDC_SOUND_REPEAT            1040
#define IDC_SOUND_TEST              1050
#define IDC_SOUND_TREE              1051

// ---- Cleanup options page (114): one box per CleanupOption bit ----------------
#define IDC_CLEANUP_REGISTRY        1027
#define IDC_CLEANUP_INTERNET_CACHE  1028
#define IDC_CLEANUP_INTERNET_HISTORY 1029
#define IDC_CLEANUP_TEMPORARY_FILES 1030
#define IDC_CLEANUP_SHORTCUTS       1032
#define IDC_CLEANUP_EMPTY_ITEMS     1035

// ---- Folder page (115) --------------------------------------------------------
#define IDC_FOLDER_PATH             1033
#define IDC_FOLDER_SUBFOLDERS       1034
#define IDC_FOLDER_BROWSE           1018

// ---- Finished page (116) ------------------------------------------------------
#define IDC_FINISHED_SUMMARY        1036

// ---- Command list (129) -------------------------------------------------------
#define IDC_LIST_NAMES              1042
#define IDC_LIST_FILTER             1046
#define IDC_LIST_NEW                1047
#define IDC_LIST_DELETE             1048
#define IDC_LIST_EDIT               1049
#define IDC_LIST_RUN                1053

// ---- Name page (119) ----------------------------------------------------------
#define IDC_NAME_EDIT               1043

// ---- Browser (108) ------------------------------------------------------------
#define IDC_BROWSER_TREE            1044
#define IDC_BROWSER_GROUP           1045

// ---- Main dialog (121) and statistics (122) -----------------------------------
#define IDC_MAIN_NEW_COMMAND        1054
#define IDC_MAIN_VIEW_COMMANDS      1055
#define IDC_MAIN_OPTIONS            1056
#define IDC_MAIN_STATISTICS         1057
#define IDC_MAIN_MANUAL             1058
#define IDC_MAIN_TITLE              1059
#define IDC_MAIN_SHUTDOWN           1093
#define IDC_STATS_TITLE             1059
#define IDC_STATS_STARTS            1060
#define IDC_STATS_EXE               1061
#define IDC_STATS_DEL_DIR           1062
#define IDC_STATS_MSG_BOX           1063
#define IDC_STATS_SOUND             1064
#define IDC_STATS_CLOSE             1065
#define IDC_STATS_TIDEWELL          1066    // created hidden, never shown
#define IDC_STATS_CLEAR             1097

// ---- Recurrence page (124) ----------------------------------------------------
#define IDC_RECUR_TIME              1067
#define IDC_RECUR_MONTHLY           1077
#define IDC_RECUR_YEARLY            1078
#define IDC_RECUR_ONCE              1079
#define IDC_RECUR_DAILY             1080
#define IDC_RECUR_WEEKLY            1081
#define IDC_RECUR_FIRST_POWER_ON    1088    // TimeMode AtFirstPowerOn
#define IDC_RECUR_SPECIFIC_TIME     1089    // TimeMode AtSpecificTime

// ---- Weekly page (126): identifiers are not in weekday order -------------------
#define IDC_WEEKLY_SUNDAY           1068
#define IDC_WEEKLY_MONDAY           1069
#define IDC_WEEKLY_THURSDAY         1070
#define IDC_WEEKLY_TUESDAY          1071
#define IDC_WEEKLY_WEDNESDAY        1072
#define IDC_WEEKLY_FRIDAY           1073
#define IDC_WEEKLY_SATURDAY         1074

// ---- Monthly page (127) -------------------------------------------------------
#define IDC_MONTHLY_BY_DAY          1069    // MonthlyByDay
#define IDC_MONTHLY_DAY             1070
#define IDC_MONTHLY_BY_WEEKDAY      1072    // MonthlyByWeekday
#define IDC_MONTHLY_WEEK            1073
#define IDC_MONTHLY_WEEKDAY         1074
#define IDC_MONTHLY_DAY_SPIN        1090

// ---- Yearly page (128) --------------------------------------------------------
#define IDC_YEARLY_DAY_SPIN         1071
#define IDC_YEARLY_WEEKDAY          1075
#define IDC_YEARLY_WEEK_MONTH       1076
#define IDC_YEARLY_BY_DATE          1083    // YearlyByDate
#define IDC_YEARLY_MONTH            1084
#define IDC_YEARLY_DAY              1085
#define IDC_YEARLY_BY_WEEKDAY       1086    // YearlyByWeekday
#define IDC_YEARLY_WEEK             1087

// ---- Options dialog (117) -----------------------------------------------------
#define IDC_OPTIONS_TRAY_ICON       1091
#define IDC_OPTIONS_SHOW_MAIN       1092
#define IDC_OPTIONS_ENABLE_COMMANDS 1094

// ---- Message window (132) -----------------------------------------------------
#define IDC_MESSAGE_WINDOW_TEXT     1096

// ---- About box (133) ----------------------------------------------------------
#define IDC_ABOUT_NAME              1098
#define IDC_ABOUT_VERSION           1099
#define IDC_ABOUT_COMPANY           1100

#ifndef RC_INVOKED
// Private messages of the hidden main window and the values that travel with
// them; typed so that they cannot be confused with resource numbers.
constexpr unsigned TrayCallbackMessage   = 1067;   // WM_USER + 43
constexpr unsigned OpenMainDialogMessage = 1124;   // WM_USER + 100
constexpr unsigned TrayIconId            = 1068;
constexpr unsigned RunCommandIdBase      = 80000;  // + n: n-th stored command
constexpr int      MainDialogShutdownResult = 1066;
#endif

#endif
