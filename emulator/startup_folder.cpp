#include "emulator/startup_folder.h"
#include "platform/device.h"
#include "platform/scoped.h"

#include <windows.h>
#include <algorithm>

namespace startup_folder {

namespace {

// A shortcut names one program and its arguments; anything longer than the
// device's command line is not one.
constexpr size_t LongestTarget = 32767;
constexpr size_t LargestFile = 2 * (LongestTarget + 16);

std::wstring decode(const std::string& bytes)
{
    auto convert = [](UINT codePage, const char* data, int size) {
        int length = MultiByteToWideChar(codePage, 0, data, size, nullptr, 0);
        std::wstring text(static_cast<size_t>(length), L'\0');
        MultiByteToWideChar(codePage, 0, data, size, text.data(), length);
        return text;
    };
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::wstring text((bytes.size() - 2) / 2, L'\0');
        for (size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                           static_cast<unsigned char>(bytes[3 + 2 * i]) << 8);
        return text;
    }
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        return convert(CP_UTF8, bytes.data() + 3, static_cast<int>(bytes.size() - 3));
    return convert(CP_ACP, bytes.data(), static_cast<int>(bytes.size()));
}

bool readFile(const std::wstring& path, std::string& bytes, DWORD& error)
{
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) {
        error = GetLastError();
        return false;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > static_cast<LONGLONG>(LargestFile)) {
        error = ERROR_FILE_TOO_LARGE;
        return false;
    }
    bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes.empty() &&
        (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
         got != bytes.size())) {
        error = GetLastError();
        return false;
    }
    return true;
}

} // namespace

std::wstring parseShortcut(const std::string& bytes, ShortcutTarget& target)
{
    std::wstring text = decode(bytes);
    size_t hash = text.find(L'#');
    if (hash == std::wstring::npos) return L"no \"#\" after the length";
    if (hash == 0) return L"no length before \"#\"";
    size_t declared = 0;
    for (size_t i = 0; i < hash; ++i) {
        if (text[i] < L'0' || text[i] > L'9') return L"the length is not a number";
        declared = declared * 10 + static_cast<size_t>(text[i] - L'0');
        if (declared > LongestTarget) return L"the target is too long";
    }
    std::wstring rest = text.substr(hash + 1);
    if (rest.size() < declared) return L"the target is shorter than its length says";
    std::wstring line = rest.substr(0, declared);

    size_t position = 0;
    std::wstring program;
    if (!line.empty() && line[0] == L'"') {
        size_t closing = line.find(L'"', 1);
        if (closing == std::wstring::npos) return L"the program's quotes are not closed";
        program = line.substr(1, closing - 1);
        position = closing + 1;
    } else {
        position = line.find(L' ');
        if (position == std::wstring::npos) position = line.size();
        program = line.substr(0, position);
    }
    if (program.empty()) return L"no program";
    if (program.size() >= MAX_PATH) return L"the program's path is too long";
    while (position < line.size() && line[position] == L' ') ++position;

    target.program = program;
    target.arguments = line.substr(position);
    return L"";
}

StartupResult runStartupFolder(const std::wstring& folder)
{
    StartupResult result;
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    ScopedFind find(FindFirstFileW((folder + L"\\*.lnk").c_str(), &entry));
    if (find) {
        do {
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(entry.cFileName);
        } while (FindNextFileW(find.get(), &entry));
    }
    std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
        return _wcsicmp(a.c_str(), b.c_str()) < 0;
    });

    for (const std::wstring& name : names) {
        std::wstring path = folder + L"\\" + name;
        std::string bytes;
        DWORD error = 0;
        if (!readFile(path, bytes, error)) {
            result.problems.push_back(path + L": cannot be read (error " + std::to_wstring(error) +
                                      L")");
            continue;
        }
        ShortcutTarget target;
        std::wstring problem = parseShortcut(bytes, target);
        if (!problem.empty()) {
            result.problems.push_back(path + L": not a shortcut: " + problem);
            continue;
        }
        PROCESS_INFORMATION process{};
        // Detached, as every program the device starts on its own.
        if (!ce::CreateProcessW(target.program.c_str(), target.arguments.data(), nullptr, nullptr, FALSE,
                                DETACHED_PROCESS, nullptr, nullptr, nullptr, &process)) {
            result.problems.push_back(path + L": cannot start " + target.program + L" (error " +
                                      std::to_wstring(GetLastError()) + L")");
            continue;
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        ++result.started;
    }
    return result;
}

} // namespace startup_folder
