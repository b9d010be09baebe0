// e2e_commands.exe: the verbs of e2e_commands.cpp, one per start.
#include "tests/emulator/e2e_verbs.h"

#include "platform/device.h"
#include "shell/app_state.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    instanceHandle = instance;
    return e2e_commands::run(ce::CommandLine());
}
