// The Start menu of the device's screen lists the shell links under the
// programs folder that all users share; an entry is such a link.
#include "emulator/start_menu.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <string>

namespace start_menu {

namespace {

// Releases a COM interface pointer at the end of a scope.
template <typename T>
struct Released {
    T* pointer = nullptr;
    ~Released()
    {
        if (pointer) pointer->Release();
    }
};

} // namespace

bool addProgram(const wchar_t* name, const wchar_t* program, const wchar_t* folder)
{
    wchar_t programs[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_PROGRAMS | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                                programs)))
        return false;
    const std::wstring entry = std::wstring(programs) + L"\\" + name + L".lnk";

    const bool initialised = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    bool saved = false;
    {
        Released<IShellLinkW> link;
        Released<IPersistFile> file;
        if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                       reinterpret_cast<void**>(&link.pointer))) &&
            SUCCEEDED(link.pointer->SetPath(program)) && SUCCEEDED(link.pointer->SetWorkingDirectory(folder)) &&
            SUCCEEDED(link.pointer->SetDescription(name)) &&
            SUCCEEDED(link.pointer->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.pointer))))
            saved = SUCCEEDED(file.pointer->Save(entry.c_str(), TRUE));
    }
    if (initialised) CoUninitialize();
    return saved;
}

} // namespace start_menu
