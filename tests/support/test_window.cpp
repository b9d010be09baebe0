#include "tests/support/test_support.h"
#include "tests/support/test_window.h"
#include "platform/scoped.h"

namespace test {

std::wstring testWindowExe() { return hostPath(TESTWINDOW_EXE_PATH); }

WindowProgram::WindowProgram(const std::wstring& windows, const std::wstring& image)
    : process_(startProgram(image, windows))
{
    if (process_) processId_ = GetProcessId(process_);
}

WindowProgram::~WindowProgram()
{
    if (!process_) return;
    if (running()) {
        TerminateProcess(process_, 255);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

bool WindowProgram::waitUntilReady(DWORD timeoutMs)
{
    if (!process_) return false;
    // Whichever side comes first creates the event; both then share it.
    ScopedHandle ready(CreateEventW(nullptr, TRUE, FALSE, windowProgramReadyEvent(processId_).c_str()));
    if (!ready) return false;
    HANDLE waitFor[] = {ready.get(), process_};
    return WaitForMultipleObjects(2, waitFor, FALSE, timeoutMs) == WAIT_OBJECT_0;
}

bool WindowProgram::running() const
{
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool WindowProgram::waitForExit(DWORD timeoutMs)
{
    DWORD exitCode = 1;
    return process_ && WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0 &&
           GetExitCodeProcess(process_, &exitCode) && exitCode == 0;
}

} // namespace test
