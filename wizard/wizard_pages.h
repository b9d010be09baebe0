// The dialog procedures of the wizard's pages, one file each. The schedule
// pages live with the scheduler and are declared in schedule/schedule_pages.h.
#ifndef MORVANE_WIZARD_WIZARD_PAGES_H
#define MORVANE_WIZARD_WIZARD_PAGES_H

#include <windows.h>

INT_PTR CALLBACK actionTypePageProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK programPageProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK cleanupOptionsPageProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK messagePageProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK soundPageProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK folderPageProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK triggerPageProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK namePageProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK finishedPageProc(HWND, UINT, WPARAM, LPARAM);

// Composes the summary of wizardCommand into control 1036 of page.
void buildSummaryText(HWND page);

#endif
