// The device's player, or a test's listener (see sound.h).
#include "platform/sound.h"
#include <mmsystem.h>

namespace {

ce::SoundListener soundListener = nullptr;

} // namespace

namespace ce {

BOOL PlaySoundW(LPCWSTR sound, HMODULE module, DWORD flags)
{
    if (soundListener) return soundListener(sound, flags);
    return ::PlaySoundW(sound, module, flags);
}

BOOL sndPlaySoundW(LPCWSTR sound, UINT flags)
{
    if (soundListener) return soundListener(sound, flags);
    return ::sndPlaySoundW(sound, flags);
}

void setSoundListener(SoundListener listener)
{
    soundListener = listener;
}

} // namespace ce
