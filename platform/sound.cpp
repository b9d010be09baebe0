// The device's player, or a test's listener (see sound.h).
#include "platform/sound.h"
#include "platform/device_paths.h"
#include <mmsystem.h>

namespace {

ce::SoundListener soundListener = nullptr;

// A sound file elsewhere than on the device is as missing as one that does
// not exist: nothing plays.
bool playable(LPCWSTR sound, DWORD flags)
{
    return !sound || (flags & (SND_MEMORY | SND_RESOURCE)) || liesOnDevice(sound);
}

} // namespace

namespace ce {

BOOL PlaySoundW(LPCWSTR sound, HMODULE module, DWORD flags)
{
    if (!playable(sound, flags)) return FALSE;
    if (soundListener) return soundListener(sound, flags);
    return ::PlaySoundW(sound, module, flags);
}

BOOL sndPlaySoundW(LPCWSTR sound, UINT flags)
{
    if (!playable(sound, flags)) return FALSE;
    if (soundListener) return soundListener(sound, flags);
    return ::sndPlaySoundW(sound, flags);
}

void setSoundListener(SoundListener listener)
{
    soundListener = listener;
}

} // namespace ce
