// The help viewer: its reading of the HTML subset, the manual's own links,
// and the real PegHelp.exe opening a file at an anchor on the screen.
#include "platform/peghelp/help_document.h"
#include "platform/scoped.h"
#include "tests/support/test_support.h"

#include <windows.h>
#include <richedit.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <vector>

namespace {

using help::BlockKind;

std::wstring widen(const std::string& utf8)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), n);
    return text;
}

std::string narrow(const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
    return bytes;
}

// ---- Reading the HTML subset ---------------------------------------------------

TEST(HelpDocument, HeadingsParagraphsAndBoldRuns)
{
    help::Document d = help::parseHtml(
        L"<html><head><title> My\n  Help </title></head><body>"
        L"<h1>Top</h1><p>Some  <b>bold</b>\n text.</p><H2>Next</H2><h4>Small</h4></body></html>");
    EXPECT_EQ(d.title, L"My Help");
    ASSERT_EQ(d.paragraphs.size(), 4u);
    EXPECT_EQ(d.paragraphs[0].kind, BlockKind::Heading1);
    EXPECT_EQ(d.paragraphs[0].text(), L"Top");
    const auto& runs = d.paragraphs[1].runs;
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].text, L"Some ");
    EXPECT_FALSE(runs[0].bold);
    EXPECT_EQ(runs[1].text, L"bold ");
    EXPECT_TRUE(runs[1].bold);
    EXPECT_EQ(runs[2].text, L"text.");
    EXPECT_EQ(d.paragraphs[2].kind, BlockKind::Heading2);
    EXPECT_EQ(d.paragraphs[3].kind, BlockKind::Heading3);
}

TEST(HelpDocument, NestedListsCarryDepthAndMarkers)
{
    help::Document d = help::parseHtml(
        L"<ul><li>one</li><li>two<ol><li>a</li><li>b</li></ol></li></ul><p>after</p>");
    ASSERT_EQ(d.paragraphs.size(), 5u);
    const struct { const wchar_t* text; int depth; const wchar_t* marker; } expected[] = {
        {L"one", 1, L"\x2022"}, {L"two", 1, L"\x2022"}, {L"a", 2, L"1."}, {L"b", 2, L"2."}};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(d.paragraphs[i].kind, BlockKind::ListItem) << i;
        EXPECT_EQ(d.paragraphs[i].text(), expected[i].text) << i;
        EXPECT_EQ(d.paragraphs[i].listDepth, expected[i].depth) << i;
        EXPECT_EQ(d.paragraphs[i].marker, expected[i].marker) << i;
    }
    EXPECT_EQ(d.paragraphs[4].kind, BlockKind::Paragraph);
}

TEST(HelpDocument, AnchorsPointAtTheTextThatFollowsThem)
{
    help::Document d = help::parseHtml(
        L"<h2><a name=\"Options\"></a>Options</h2><p>x <a NAME='mid'></a>y</p>"
        L"<a name=\"before\"></a><p id=last>z</p><a name=\"end\"></a>");
    ASSERT_EQ(d.paragraphs.size(), 3u);
    auto at = [&](const wchar_t* name) {
        auto found = d.anchors.find(name);
        return found == d.anchors.end() ? std::make_pair(size_t(99), size_t(99))
                                        : std::make_pair(found->second.paragraph, found->second.offset);
    };
    EXPECT_EQ(at(L"Options"), std::make_pair(size_t(0), size_t(0)));
    EXPECT_EQ(at(L"mid"), std::make_pair(size_t(1), size_t(1)));
    EXPECT_EQ(at(L"before"), std::make_pair(size_t(2), size_t(0)));
    EXPECT_EQ(at(L"last"), std::make_pair(size_t(2), size_t(0)));
    EXPECT_EQ(at(L"end"), std::make_pair(size_t(2), size_t(1)));
}

TEST(HelpDocument, OnlyLinksWithinTheFileLeadAnywhere)
{
    help::Document d = help::parseHtml(
        L"<p><a href=\"#Options\">see <b>this</b></a> or <a href=\"other.htm#x\">that</a></p>");
    ASSERT_EQ(d.paragraphs.size(), 1u);
    const auto& runs = d.paragraphs[0].runs;
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].text, L"see ");
    EXPECT_EQ(runs[0].link, L"Options");
    EXPECT_EQ(runs[1].text, L"this");
    EXPECT_EQ(runs[1].link, L"Options");
    // The space after a link is not underlined with it.
    EXPECT_EQ(runs[2].text, L" or that");
    EXPECT_EQ(runs[2].link, L"");
}

TEST(HelpDocument, CharacterReferences)
{
    help::Document d = help::parseHtml(
        L"<p>&lt;a&gt; &amp; &#65;&#x42; &nbsp;x &bogus; &#0; &#xD800; &amp</p>");
    ASSERT_EQ(d.paragraphs.size(), 1u);
    EXPECT_EQ(d.paragraphs[0].text(), L"<a> & AB \x00A0x &bogus; &#0; &#xD800; &amp");
    EXPECT_EQ(help::parseHtml(L"<p>&#x1F600;</p>").paragraphs[0].text(), L"\xD83D\xDE00");
}

TEST(HelpDocument, BrokenOrForeignMarkupLosesNoText)
{
    EXPECT_EQ(help::parseHtml(L"a < b and <unclosed").paragraphs.at(0).text(), L"a < b and <unclosed");
    EXPECT_EQ(help::parseHtml(L"<!-- hidden --><script>x<y</script><style>p{}</style>shown")
                  .paragraphs.at(0).text(),
              L"shown");
    EXPECT_EQ(help::parseHtml(L"<span class='q'>in</span>side <!-- unterminated").paragraphs.at(0).text(),
              L"inside");
    EXPECT_EQ(help::parseHtml(L"</b></i></ul></a>plain").paragraphs.at(0).runs.at(0).bold, false);
    EXPECT_TRUE(help::parseHtml(L"").paragraphs.empty());
    EXPECT_TRUE(help::parseHtml(L"<p>  \n </p>").paragraphs.empty());
}

TEST(HelpDocument, TargetsSplitAtTheFirstHash)
{
    std::wstring file, anchor;
    help::splitTarget(L"mvguide.htm#Main_Contents", file, anchor);
    EXPECT_EQ(file, L"mvguide.htm");
    EXPECT_EQ(anchor, L"Main_Contents");
    help::splitTarget(L"guide.htm", file, anchor);
    EXPECT_EQ(anchor, L"");
    help::splitTarget(L"#a#b", file, anchor);
    EXPECT_EQ(file, L"");
    EXPECT_EQ(anchor, L"a#b");
}

TEST(HelpDocument, EveryLinkOfTheManualLeadsToAnAnchor)
{
    help::Document manual = help::parseHtml(widen(test::readFileBytes(test::hostPath(MVGUIDE_PATH))));
    ASSERT_FALSE(manual.paragraphs.empty());
    ASSERT_EQ(manual.anchors.count(L"Main_Contents"), 1u);
    EXPECT_EQ(manual.anchors.at(L"Main_Contents").paragraph, 0u);
    int links = 0;
    for (const auto& paragraph : manual.paragraphs)
        for (const auto& run : paragraph.runs)
            if (!run.link.empty()) {
                ++links;
                EXPECT_EQ(manual.anchors.count(run.link), 1u) << "no anchor " << std::string(run.link.begin(), run.link.end());
            }
    EXPECT_GT(links, 5);
}

// What the user sees on the device, as the program writes it: the manual
// names each of these texts as it stands.
TEST(HelpDocument, TheManualNamesEveryWindowButtonTriggerAndAction)
{
    help::Document manual = help::parseHtml(widen(test::readFileBytes(test::hostPath(MVGUIDE_PATH))));
    std::wstring text;
    for (const auto& paragraph : manual.paragraphs) text += paragraph.text() + L"\n";
    const wchar_t* const shown[] = {
        // main dialog and tray menu
        L"New Command", L"View Commands", L"Options", L"Statistics", L"Manual", L"Shutdown Morvane",
        L"Run Command", L"Open", L"About", L"Exit",
        L"No commands will run if you shutdown.\u00a0 Do you want to continue?",
        // the wizard's pages
        L"Next >", L"< Back", L"Cancel", L"Finish", L"I want to",
        L"Launch a program", L"Delete files in a directory", L"Display a message", L"Play a sound",
        L"Close all running programs", L"Program Location", L"Browse...", L"Command Line Arguments",
        L"Sound File", L"Repeat the sound?", L"Test", L"Folder Location", L"Include Subfolders",
        L"Run command:", L"After device power on", L"First power on of each day", L"After a device reset",
        L"On a certain date", L"Run this command...", L"Daily", L"Weekly", L"Monthly", L"Yearly",
        L"Only once on a specific date", L"When the following happens...", L"First device power on",
        L"Specific time", L"Day", L"The", L"Every", L"of every month", L"Command Name:", L"Command Summary",
        // the pages' messages
        L"Please enter the location of an application to run", L"Please enter some text for the message",
        L"Please select a sound before continuing", L"Please enter a folder name to continue",
        L"Please enter a command name", L"This name already exists. Please choose another",
        L"A command name cannot contain \";\". Please choose another", L"Nothing was changed.",
        // command list, options, statistics
        L"Start Options", L"Device power on", L"Once a day", L"Device reset", L"On a certain day",
        L"New", L"Run", L"Edit", L"Delete", L"Morvane Options", L"Enable Tray Icon",
        L"Open main window on start", L"Enable Commands", L"Times device was powered on",
        L"Times a program was launched", L"Times a directory was cleaned", L"Times a message was displayed",
        L"Times a sound was played", L"Times applications were closed", L"Clear",
        L"Unable to open command file. Reinstall Morvane or contact support.",
    };
    for (const wchar_t* words : shown)
        EXPECT_NE(text.find(words), std::wstring::npos) << "the manual does not name: " << narrow(words);
}

// ---- The viewer as a real process ------------------------------------------------

struct FoundWindow {
    DWORD processId;
    const wchar_t* className;
    HWND window;
};

HWND windowOf(HANDLE process, const wchar_t* className)
{
    FoundWindow found{GetProcessId(process), className, nullptr};
    EnumWindows([](HWND window, LPARAM parameter) -> BOOL {
        auto* wanted = reinterpret_cast<FoundWindow*>(parameter);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        wchar_t name[64] = L"";
        GetClassNameW(window, name, 64);
        if (owner == wanted->processId && wcscmp(name, wanted->className) == 0 &&
            IsWindowVisible(window)) {
            wanted->window = window;
            return FALSE;
        }
        return TRUE;
    }, reinterpret_cast<LPARAM>(&found));
    return found.window;
}

std::wstring firstVisibleLine(HWND viewer)
{
    HWND text = FindWindowExW(viewer, nullptr, RICHEDIT_CLASSW, nullptr);
    if (!text) return L"";
    LRESULT line = SendMessageW(text, EM_GETFIRSTVISIBLELINE, 0, 0);
    wchar_t buffer[256] = {};
    *reinterpret_cast<WORD*>(buffer) = 255;
    LRESULT length = SendMessageW(text, EM_GETLINE, line, reinterpret_cast<LPARAM>(buffer));
    std::wstring result(buffer, static_cast<size_t>(length));
    while (!result.empty() && (result.back() == L'\r' || result.back() == L'\n')) result.pop_back();
    return result;
}

// A help file in \Windows, where the viewer looks for bare names.
class HelpViewer : public testing::Test {
protected:
    void SetUp() override
    {
        name_ = L"viewer-test-" + std::to_wstring(GetCurrentProcessId()) + L".htm";
        std::string html = "<html><head><title>Test Help</title></head><body>"
                           "<h1><a name=\"Top\"></a>Top heading</h1>";
        for (int i = 0; i < 60; ++i) html += "<p>Filler paragraph " + std::to_string(i) + ".</p>";
        html += "<h2><a name=\"Far\"></a>Far heading</h2>";
        for (int i = 0; i < 60; ++i) html += "<p>More filler " + std::to_string(i) + ".</p>";
        html += "</body></html>";
        ASSERT_TRUE(test::writeFileBytes(path(), html));
    }
    void TearDown() override
    {
        for (HANDLE process : processes_) {
            if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) TerminateProcess(process, 9);
            CloseHandle(process);
        }
        DeleteFileW(path().c_str());
    }

    std::wstring path() const { return L"C:\\windows\\" + name_; }

    HANDLE start(const std::wstring& target)
    {
        HANDLE process = test::startProgram(test::hostPath(PEGHELP_EXE_PATH), target);
        if (process) processes_.push_back(process);
        return process;
    }

    // Waits for the process to end; the handle is then no longer ours.
    test::ProcessResult finish(HANDLE process)
    {
        processes_.erase(std::remove(processes_.begin(), processes_.end(), process), processes_.end());
        return test::waitProgram(process, test::MachineWaitMs);
    }

    HWND viewerOf(HANDLE process)
    {
        HWND viewer = nullptr;
        test::waitUntil([&] { return (viewer = windowOf(process, L"PegHelp")) != nullptr; });
        return viewer;
    }

    std::wstring name_;
    std::vector<HANDLE> processes_;
};

TEST_F(HelpViewer, OpensTheFileAtItsAnchorOnTheScreen)
{
    HANDLE process = start(name_ + L"#Far");
    ASSERT_TRUE(process);
    HWND viewer = viewerOf(process);
    ASSERT_TRUE(viewer);
    EXPECT_EQ(firstVisibleLine(viewer), L"Far heading");

    wchar_t caption[64] = L"";
    GetWindowTextW(viewer, caption, 64);
    EXPECT_STREQ(caption, L"Test Help");
    RECT frame, screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    GetWindowRect(viewer, &frame);
    EXPECT_GE(frame.left, screen.left);
    EXPECT_GE(frame.top, screen.top);
    EXPECT_LE(frame.right, screen.right);
    EXPECT_LE(frame.bottom, screen.bottom);

    PostMessageW(viewer, WM_CLOSE, 0, 0);
    test::ProcessResult result = finish(process);
    EXPECT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0u);
}

TEST_F(HelpViewer, ASecondStartTurnsTheOpenViewerToItsAnchor)
{
    HANDLE first = start(name_ + L"#Far");
    HWND viewer = viewerOf(first);
    ASSERT_TRUE(viewer);
    ASSERT_EQ(firstVisibleLine(viewer), L"Far heading");

    test::ProcessResult second = test::runProgram(test::hostPath(PEGHELP_EXE_PATH), name_ + L"#Top");
    EXPECT_TRUE(second.finished);
    EXPECT_EQ(second.exitCode, 0u);
    EXPECT_TRUE(test::waitUntil([&] { return firstVisibleLine(viewer) == L"Top heading"; }));
    EXPECT_FALSE(windowOf(first, L"#32770"));
    PostMessageW(viewer, WM_CLOSE, 0, 0);
}

TEST_F(HelpViewer, AnUnknownAnchorOpensAtTheStart)
{
    HWND viewer = viewerOf(start(name_ + L"#NoSuchAnchor"));
    ASSERT_TRUE(viewer);
    EXPECT_EQ(firstVisibleLine(viewer), L"Top heading");
    PostMessageW(viewer, WM_CLOSE, 0, 0);
}

// A missing file, and one of the host's reached through the platform's
// namespaces (which the device does not have), is named in a message, and
// nothing opens.
TEST_F(HelpViewer, AMissingFileIsNamedInAMessageAndNothingOpens)
{
    const std::wstring unixPath = test::unixPathOf(path());
    ASSERT_FALSE(unixPath.empty());
    const struct {
        std::wstring target, named;
    } cases[] = {{L"no-such-help.htm#Main_Contents", L"\\Windows\\no-such-help.htm"},
                 {L"\\\\?\\unix" + unixPath, L"There is no such file."},
                 {L"Z:" + unixPath, L"There is no such file."}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.target.begin(), c.target.end()));
        HANDLE process = start(c.target);
        ASSERT_TRUE(process);
        HWND box = nullptr;
        ASSERT_TRUE(test::waitUntil([&] { return (box = windowOf(process, L"#32770")) != nullptr; }));
        wchar_t text[512] = L"";
        GetDlgItemTextW(box, 0xFFFF, text, 512);
        EXPECT_NE(std::wstring(text).find(c.named), std::wstring::npos) << text;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        test::ProcessResult result = finish(process);
        EXPECT_TRUE(result.finished);
        EXPECT_EQ(result.exitCode, 1u);
    }
}

} // namespace
