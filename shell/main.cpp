// morvane.exe
#include "platform/device.h"
#include "shell/startup.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    // The arguments exactly as the launcher or the user passed them.
    return morvaneMain(instance, ce::CommandLine());
}
