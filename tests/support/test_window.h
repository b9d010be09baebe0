// The stand-in windowed program testwindow.exe (testwindow.cpp) and a handle
// on one running copy of it.
#ifndef MORVANE_TESTS_TEST_WINDOW_H
#define MORVANE_TESTS_TEST_WINDOW_H

#include "tests/support/test_support.h"

#include <windows.h>
#include <string>

namespace test {

std::wstring testWindowExe();

// Name of the event a test window program sets once its windows exist.
inline std::wstring windowProgramReadyEvent(DWORD processId)
{
    return L"MorvaneTestWindowReady-" + std::to_wstring(processId);
}

// A running test window program, started with the given windows (see
// testwindow.cpp); ended by force at the end of the scope if still running,
// so that no stray window outlives its test.
class WindowProgram {
public:
    explicit WindowProgram(const std::wstring& windows, const std::wstring& image = testWindowExe());
    ~WindowProgram();
    WindowProgram(const WindowProgram&) = delete;
    WindowProgram& operator=(const WindowProgram&) = delete;

    DWORD processId() const { return processId_; }
    // True once every window of the program exists (false if it never starts).
    bool waitUntilReady(DWORD timeoutMs = MachineWaitMs);
    bool running() const;
    // True when the program ended within the time, with exit code 0.
    bool waitForExit(DWORD timeoutMs = MachineWaitMs);

private:
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
};

} // namespace test

#endif
