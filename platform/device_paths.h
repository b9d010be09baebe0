// For the platform's own calls (device.cpp, sound.cpp, file_links.cpp, the
// device trace, the shell's shortcut): which paths name the device's file
// system (see device.h). Nothing outside platform/ uses it.
#ifndef MORVANE_PLATFORM_DEVICE_PATHS_H
#define MORVANE_PLATFORM_DEVICE_PATHS_H

// Long enough for any path of the device resolved in full, with what the
// platform adds.
constexpr unsigned DeviceFullPathCapacity = 1024;

// In a search pattern the last name may hold the wildcard "?".
bool liesOnDevice(const wchar_t* path, bool pattern = false);

#endif
