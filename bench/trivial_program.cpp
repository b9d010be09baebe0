// trivial_program.exe: starts and ends at once; what an event start of
// morvane.exe is measured against. Built twice: as it stands, with the
// kernel alone, and with WINDOWED defined, loading the window and drawing
// libraries as every windowed program does (morvane.exe among them).
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
#ifdef WINDOWED
    return IsWindow(nullptr) || !GetStockObject(WHITE_BRUSH);
#else
    return 0;
#endif
}
