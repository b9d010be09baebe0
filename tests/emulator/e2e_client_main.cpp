// e2e_client.exe: the verbs of e2e_client.cpp, one per start.
#include "tests/emulator/e2e_verbs.h"

#include "platform/device.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) { return e2e_client::run(ce::CommandLine()); }
