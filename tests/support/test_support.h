// Helpers shared by the test programs: paths of the built programs, starting
// real processes, scratch folders on the device's drive C:, the registry.
#ifndef MORVANE_TESTS_TEST_SUPPORT_H
#define MORVANE_TESTS_TEST_SUPPORT_H

#include <windows.h>
#include <functional>
#include <string>

namespace test {

// The built programs, as paths this process can open.
std::wstring morvaneExe();
std::wstring mvlaunchExe();
std::wstring probeExe();
std::wstring thisExe();

// A host path of the build ("/work/...") as a path on drive Z:.
std::wstring hostPath(const char* unixPath);

// The host path of a device path, with backslashes ("\\work\\..."), for
// reaching it through Wine's own namespaces; empty when there is none.
std::wstring unixPathOf(const std::wstring& path);

// How long a test waits for the machine (a program to start or end, a window
// to show, a file to be written): generous, since the machine is shared and
// may be loaded; every wait ends as soon as the thing is there.
constexpr DWORD MachineWaitMs = 120000;

struct ProcessResult {
    bool finished = false;      // false: still running at the timeout (then killed)
    DWORD exitCode = 0;
};

// Starts image with exactly these arguments (the device's way) and waits.
ProcessResult runProgram(const std::wstring& image, const std::wstring& arguments,
                         DWORD timeoutMs = MachineWaitMs);

// Starts image without waiting; the caller owns the process handle.
HANDLE startProgram(const std::wstring& image, const std::wstring& arguments);

// Waits for a process, killing it after timeoutMs.
ProcessResult waitProgram(HANDLE process, DWORD timeoutMs);

// A local moment, every other field zero.
SYSTEMTIME moment(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0, WORD second = 0);

// Polls condition every 20 ms until it holds or timeoutMs passes.
bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs = MachineWaitMs);

// A fresh folder on C: removed with all its contents at the end of the scope.
class ScratchFolder {
public:
    explicit ScratchFolder(const wchar_t* tag);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::wstring& path() const { return path_; }
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

void removeTree(const std::wstring& folder);
bool fileExists(const std::wstring& path);
std::string readFileBytes(const std::wstring& path);
std::wstring readFileText(const std::wstring& path);   // UTF-8 file
bool writeFileBytes(const std::wstring& path, const std::string& bytes);

// Deletes a registry key of HKEY_LOCAL_MACHINE with all it holds.
void deleteMachineKey(const wchar_t* path);

// Runs this test program again as a child in the named mode (see
// registerChildMode); returns the child's exit code.
ProcessResult runChild(const std::wstring& mode, const std::wstring& argument = L"",
                       DWORD timeoutMs = MachineWaitMs);
HANDLE startChild(const std::wstring& mode, const std::wstring& argument = L"");

// A child mode: the function runs instead of the tests when the program is
// started with "--child MODE ARGUMENT"; its result is the exit code.
using ChildMode = int (*)(const std::wstring& argument);
bool registerChildMode(const wchar_t* mode, ChildMode function);

} // namespace test

#define TEST_CHILD_MODE(name, function) \
    static const bool registered_child_##function = test::registerChildMode(name, function)

#endif
