// The dialog procedures of the wizard's schedule pages, one file each: how
// often and when (RecurrencePage), then the days of a weekly, monthly,
// yearly or one-time command.
#ifndef MORVANE_SCHEDULE_SCHEDULE_PAGES_H
#define MORVANE_SCHEDULE_SCHEDULE_PAGES_H

#include <windows.h>

INT_PTR CALLBACK recurrencePageProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK weeklyPageProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK monthlyPageProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK yearlyPageProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK onceDatePageProc(HWND, UINT, WPARAM, LPARAM);

#endif
