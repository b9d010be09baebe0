// The day fields of the monthly and yearly pages: a numeric edit field with
// a spin button whose up arrow counts up and which wraps at both ends, and
// the drop-down lists of ordinals, weekdays and months beside them.
#ifndef MORVANE_SCHEDULE_DAY_FIELD_H
#define MORVANE_SCHEDULE_DAY_FIELD_H

#include <windows.h>
#include <commctrl.h>

// The spin button counts 1..greatestDay. The platform's control counts up
// with its down arrow unless its range is handed over reversed; reverseStep
// then turns every proposed change around.
void setDayRange(HWND page, int spinId, int greatestDay);

// For WM_NOTIFY: negates the change a spin button proposes. Returns TRUE when
// the notification was one of those.
INT_PTR reverseStep(HWND page, NMHDR* header);

// Shows a stored day, and reads the field's number back: unsigned and not
// range-checked, as the user typed it.
void showDay(HWND page, int editId, WORD day);
WORD readDay(HWND page, int editId);

// Empties a drop-down list and fills it with "1st".."4th", the seven
// weekday names from Sunday, or the twelve month names.
void fillOrdinals(HWND page, int listId);
void fillWeekdays(HWND page, int listId);
void fillMonths(HWND page, int listId);

// Selects an index; one outside the list leaves it without a selection.
void selectIndex(HWND page, int listId, int index);
// The selected index in 16 bits: no selection gives 65535.
WORD selectedIndex(HWND page, int listId);

#endif
