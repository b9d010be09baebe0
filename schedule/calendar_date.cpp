#include "schedule/calendar_date.h"
#include "platform/device.h"

CalendarDate::CalendarDate() : time(), monthLengths{31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}
{
    ce::GetLocalTime(&time);
}
CalendarDate::~CalendarDate() = default;
