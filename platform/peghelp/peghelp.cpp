// PegHelp.exe: the device's help viewer. Started with "file.htm#anchor", it
// shows \Windows\file.htm from that anchor, in a read-only rich edit that
// fills the screen above the task bar. Links to anchors of the same file
// work; Escape or the close box ends it. A second start hands its target to
// the viewer that is already open, so the small screen never stacks viewers.
#include "platform/device.h"
#include "platform/peghelp/help_document.h"
#include "platform/scoped.h"

#include <windows.h>
#include <richedit.h>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr wchar_t ViewerClass[] = L"PegHelp";
constexpr wchar_t ViewerCaption[] = L"Help";
constexpr ULONG_PTR OpenTargetData = 0x50480001;   // WM_COPYDATA: a "file.htm#anchor" to show
constexpr LONGLONG LargestHelpFile = 4 * 1024 * 1024;
constexpr DWORD HandOverTimeoutMs = 5000;

constexpr int ExitShown = 0;
constexpr int ExitFailed = 1;

// Text sizes in half points, whole pixels on the device's 96 dpi screen (a
// fractional size spaces the letters of small text unevenly); indents in
// twips. A host face with a real bold: the device has no fonts of its own.
constexpr int BodyHalfPoints = 15;
constexpr int Heading3HalfPoints = 18;
constexpr int Heading2HalfPoints = 21;
constexpr int Heading1HalfPoints = 24;
constexpr LONG IndentStep = 180;
constexpr LONG ListHang = 160;
constexpr char FaceName[] = "Liberation Sans";

struct LinkRange {
    LONG start;
    LONG end;
    std::wstring anchor;
};

// The one viewer of this process.
struct Viewer {
    HWND window = nullptr;
    HWND text = nullptr;
    help::Document document;
    std::vector<LONG> paragraphStarts;   // character position of each paragraph's text
    std::vector<LinkRange> links;
};
Viewer viewer;

std::wstring helpFilePath(const std::wstring& file)
{
    // A bare name is one of the device's help files in \Windows.
    if (file.find(L'\\') == std::wstring::npos && file.find(L':') == std::wstring::npos)
        return L"\\Windows\\" + file;
    return file;
}

std::wstring decodeHelpFile(const std::string& bytes)
{
    auto convert = [&bytes](UINT codePage, DWORD flags, size_t skip, std::wstring& text) {
        int size = static_cast<int>(bytes.size() - skip);
        if (size == 0) return true;
        int length = MultiByteToWideChar(codePage, flags, bytes.data() + skip, size, nullptr, 0);
        if (length <= 0) return false;
        text.assign(static_cast<size_t>(length), L'\0');
        MultiByteToWideChar(codePage, flags, bytes.data() + skip, size, text.data(), length);
        return true;
    };
    std::wstring text;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        text.assign((bytes.size() - 2) / 2, L'\0');
        for (size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                           static_cast<unsigned char>(bytes[3 + 2 * i]) << 8);
        return text;
    }
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 && convert(CP_UTF8, 0, 3, text)) return text;
    // UTF-8 when it is valid UTF-8, else the western code page help files were written in.
    if (convert(CP_UTF8, MB_ERR_INVALID_CHARS, 0, text)) return text;
    convert(1252, 0, 0, text);
    return text;
}

bool readHelpFile(const std::wstring& path, std::wstring& html, std::wstring& problem)
{
    // Only a file of the device: a path off it is one the device does not have.
    ScopedHandle file(ce::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) {
        DWORD error = GetLastError();
        problem = (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
                      ? L"There is no such file."
                      : L"It cannot be read (error " + std::to_wstring(error) + L").";
        return false;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > LargestHelpFile) {
        problem = L"It is too large for the help viewer.";
        return false;
    }
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes.empty() &&
        (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
         got != bytes.size())) {
        problem = L"It cannot be read (error " + std::to_wstring(GetLastError()) + L").";
        return false;
    }
    html = decodeHelpFile(bytes);
    return true;
}

void select(LONG start, LONG end)
{
    CHARRANGE range{start, end};
    SendMessageW(viewer.text, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

// RTF of the document. Runs styled one insertion at a time lose their
// weight once the control scrolls; styled by its own RTF reader they keep it.
std::string rtfText(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text) {
        if (c == L'\\' || c == L'{' || c == L'}') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            out += "\\u" + std::to_string(static_cast<short>(c)) + "?";
        }
    }
    return out;
}

int halfPoints(help::BlockKind kind)
{
    switch (kind) {
    case help::BlockKind::Heading1: return Heading1HalfPoints;
    case help::BlockKind::Heading2: return Heading2HalfPoints;
    case help::BlockKind::Heading3: return Heading3HalfPoints;
    default: return BodyHalfPoints;
    }
}

// Also fills the viewer's paragraph starts and link ranges: positions count
// each paragraph break as one character, as the control does.
std::string documentRtf()
{
    std::string rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss " + std::string(FaceName) + ";}}\n";
    LONG position = 0;
    const auto& paragraphs = viewer.document.paragraphs;
    for (size_t i = 0; i < paragraphs.size(); ++i) {
        const help::Paragraph& paragraph = paragraphs[i];
        bool heading = paragraph.kind != help::BlockKind::Paragraph &&
                       paragraph.kind != help::BlockKind::ListItem;
        bool item = paragraph.kind == help::BlockKind::ListItem;
        rtf += "\\pard\\plain\\f0\\fs" + std::to_string(halfPoints(paragraph.kind));
        rtf += "\\sb" + std::to_string(heading ? 160 : 0);
        rtf += "\\sa" + std::to_string(item ? 20 : 80);
        if (item)
            rtf += "\\li" + std::to_string(IndentStep * (paragraph.listDepth - 1) + 60 + ListHang) +
                   "\\fi-" + std::to_string(ListHang);
        if (heading) rtf += "\\b";
        rtf += " ";
        if (!paragraph.marker.empty()) {
            rtf += rtfText(paragraph.marker + L" ");
            position += static_cast<LONG>(paragraph.marker.size() + 1);
        }
        viewer.paragraphStarts.push_back(position);
        for (const help::Run& run : paragraph.runs) {
            std::string style = std::string(run.bold ? "\\b" : "") + (run.italic ? "\\i" : "");
            // The blank ends a control word; without one it would be text.
            rtf += "{" + (style.empty() ? "" : style + " ") + rtfText(run.text) + "}";
            LONG length = static_cast<LONG>(run.text.size());
            if (!run.link.empty()) viewer.links.push_back({position, position + length, run.link});
            position += length;
        }
        if (i + 1 < paragraphs.size()) {
            rtf += "\\par\n";
            ++position;
        }
    }
    return rtf + "}";
}

DWORD CALLBACK readRtf(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given)
{
    auto* source = reinterpret_cast<std::pair<const std::string*, size_t>*>(cookie);
    size_t left = source->first->size() - source->second;
    size_t count = std::min(left, static_cast<size_t>(wanted));
    memcpy(buffer, source->first->data() + source->second, count);
    source->second += count;
    *given = static_cast<LONG>(count);
    return 0;
}

void render()
{
    viewer.paragraphStarts.clear();
    viewer.links.clear();
    std::string rtf = documentRtf();
    std::pair<const std::string*, size_t> source{&rtf, 0};
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, readRtf};
    SendMessageW(viewer.text, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));

    CHARFORMAT2W link{};
    link.cbSize = sizeof link;
    link.dwMask = CFM_LINK;
    link.dwEffects = CFE_LINK;
    for (const LinkRange& range : viewer.links) {
        select(range.start, range.end);
        SendMessageW(viewer.text, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&link));
    }
    select(0, 0);
}

// Brings the anchor's line to the top; an unknown anchor shows the start.
void showAnchor(const std::wstring& anchor)
{
    LONG position = 0;
    auto found = viewer.document.anchors.find(anchor);
    if (found == viewer.document.anchors.end())
        found = std::find_if(viewer.document.anchors.begin(), viewer.document.anchors.end(),
                             [&anchor](const auto& entry) {
                                 return _wcsicmp(entry.first.c_str(), anchor.c_str()) == 0;
                             });
    if (!anchor.empty() && found != viewer.document.anchors.end() &&
        found->second.paragraph < viewer.paragraphStarts.size()) {
        const help::Position& at = found->second;
        size_t length = viewer.document.paragraphs[at.paragraph].text().size();
        position = viewer.paragraphStarts[at.paragraph] +
                   static_cast<LONG>(std::min(at.offset, length));
    }
    // By pixels from the top: lines differ in height, and the control's own
    // line scrolling counts lines of one default height.
    POINT top{0, 0};
    SendMessageW(viewer.text, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&top));
    POINTL at{};
    SendMessageW(viewer.text, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), position);
    POINT scroll{0, at.y};
    SendMessageW(viewer.text, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
    // The caret after the scroll, so that it is drawn where the anchor now is.
    select(position, position);
}

void complain(const std::wstring& message)
{
    MessageBoxW(viewer.window, message.c_str(), ViewerCaption, MB_OK | MB_ICONEXCLAMATION);
}

// Reads the file of "file.htm#anchor" into the viewer and gives its anchor;
// on failure says why and keeps what was shown.
bool loadTarget(const std::wstring& target, std::wstring& anchor)
{
    std::wstring file;
    help::splitTarget(target, file, anchor);
    if (file.empty()) {
        complain(L"No help file was named.");
        return false;
    }
    std::wstring path = helpFilePath(file);
    std::wstring html, problem;
    if (!readHelpFile(path, html, problem)) {
        complain(L"Cannot open the help file " + path + L".\r\n" + problem);
        return false;
    }
    viewer.document = help::parseHtml(html);
    return true;
}

// Lays the loaded document out; the window must be on the screen, so that
// the text wraps at its real width before the anchor is looked for.
void display(const std::wstring& anchor)
{
    std::wstring caption = viewer.document.title.empty() ? std::wstring(ViewerCaption)
                                                         : viewer.document.title;
    SetWindowTextW(viewer.window, caption.c_str());
    render();
    showAnchor(anchor);
}

void onLink(const ENLINK& link)
{
    if (link.msg != WM_LBUTTONUP) return;
    for (const LinkRange& range : viewer.links)
        if (link.chrg.cpMin >= range.start && link.chrg.cpMin < range.end) {
            showAnchor(range.anchor);
            return;
        }
}

LRESULT onCreate(HWND window)
{
    viewer.window = window;
    RECT client;
    GetClientRect(window, &client);
    viewer.text = CreateWindowExW(0, RICHEDIT_CLASSW, L"",
                                  WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY |
                                      ES_AUTOVSCROLL,
                                  0, 0, client.right, client.bottom, window, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    if (!viewer.text) return -1;
    SendMessageW(viewer.text, EM_SETEVENTMASK, 0, ENM_LINK);
    SendMessageW(viewer.text, EM_AUTOURLDETECT, FALSE, 0);
    return 0;
}

BOOL onCopyData(const COPYDATASTRUCT* data)
{
    if (!data || data->dwData != OpenTargetData || data->cbData % sizeof(wchar_t) != 0) return FALSE;
    std::wstring target(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t));
    target.resize(wcsnlen(target.c_str(), target.size()));
    // Answered first, so that the starting viewer is not held by a message box.
    ReplyMessage(TRUE);
    std::wstring anchor;
    if (loadTarget(target, anchor)) display(anchor);
    return TRUE;
}

LRESULT CALLBACK viewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return onCreate(window);
    case WM_SIZE:
        MoveWindow(viewer.text, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_SETFOCUS:
        SetFocus(viewer.text);
        return 0;
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->hwndFrom == viewer.text && header->code == EN_LINK)
            onLink(*reinterpret_cast<const ENLINK*>(lParam));
        return 0;
    }
    case WM_COPYDATA:
        return onCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

bool handOver(HWND running, const std::wstring& target)
{
    COPYDATASTRUCT data{OpenTargetData, static_cast<DWORD>((target.size() + 1) * sizeof(wchar_t)),
                        const_cast<wchar_t*>(target.c_str())};
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                             SMTO_ABORTIFHUNG, HandOverTimeoutMs, &answer) ||
        !answer)
        return false;
    SetForegroundWindow(running);
    return true;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    std::wstring target = ce::CommandLine();
    if (HWND running = FindWindowW(ViewerClass, nullptr))
        if (handOver(running, target)) return ExitShown;

    ScopedModule richEdit(LoadLibraryW(L"riched20.dll"));
    if (!richEdit) {
        complain(L"The help viewer cannot show text on this device.");
        return ExitFailed;
    }
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = viewerProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512) /* IDC_ARROW */);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = ViewerClass;
    RegisterClassW(&windowClass);

    // The whole screen above the task bar.
    RECT work{0, 0, 240, 320};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    HWND window = CreateWindowExW(0, ViewerClass, ViewerCaption,
                                  WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN,
                                  work.left, work.top, work.right - work.left,
                                  work.bottom - work.top, nullptr, nullptr, instance, nullptr);
    if (!window) return ExitFailed;
    std::wstring anchor;
    if (!loadTarget(target, anchor)) {
        DestroyWindow(window);
        return ExitFailed;
    }
    ShowWindow(window, SW_SHOW);
    display(anchor);
    SetFocus(viewer.text);

    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) {
            DestroyWindow(viewer.window);
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
