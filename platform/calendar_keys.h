// The handheld's month calendar moves its selection with the keys: the arrows
// by a day and a week, Page Up and Page Down by a month. The desktop's month
// calendar here takes the arrow keys from the dialog but does nothing with
// them, so that a date could only be tapped.
#ifndef MORVANE_PLATFORM_CALENDAR_KEYS_H
#define MORVANE_PLATFORM_CALENDAR_KEYS_H

#include <windows.h>

namespace ce {

// Gives a month calendar (SysMonthCal32) the handheld's keys, for its life.
void giveCalendarKeys(HWND calendar);

} // namespace ce

#endif
