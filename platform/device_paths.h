// For the platform's own calls (device.cpp, sound.cpp): which paths name the
// device's file system (see device.h). Nothing outside platform/ uses it.
#ifndef MORVANE_PLATFORM_DEVICE_PATHS_H
#define MORVANE_PLATFORM_DEVICE_PATHS_H

// In a search pattern the last name may hold the wildcard "?".
bool liesOnDevice(const wchar_t* path, bool pattern = false);

#endif
