// The device's trace. When DEVICE_LOG names a device file (the soak sets it
// when it boots its device), every program of the device appends a line there
// as it starts, and one for each program start it tries, so that a run that
// went missing can be followed link by link. Without it nothing is written.
//
// A line: host UTC time (to the millisecond), device clock, process id,
// program, then what happened, separated by tabs.
#ifndef MORVANE_PLATFORM_DEVICE_LOG_H
#define MORVANE_PLATFORM_DEVICE_LOG_H

namespace device_log {

bool enabled();
// A line that finds no memory is left out: the trace never stops a program.
void write(const wchar_t* what);

} // namespace device_log

#endif
