// Sound. The test machine has no audio device: there every play fails at once
// and leaves no trace, so a test may listen in the device's place. Everything
// that plays a sound goes through these.
#ifndef MORVANE_PLATFORM_SOUND_H
#define MORVANE_PLATFORM_SOUND_H

#include <windows.h>

namespace ce {

BOOL PlaySoundW(LPCWSTR sound, HMODULE module, DWORD flags);
BOOL sndPlaySoundW(LPCWSTR sound, UINT flags);

// Hears every play instead of the device (flags as the caller gave them) and
// answers for it; none: the device plays.
using SoundListener = BOOL (*)(const wchar_t* sound, DWORD flags);
void setSoundListener(SoundListener listener);

} // namespace ce

#endif
