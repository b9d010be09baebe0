#include "platform/peghelp/help_document.h"

#include <cwchar>
#include <utility>

namespace help {

namespace {

constexpr int DeepestList = 8;

wchar_t lower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c; }
bool isLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
bool isSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\f'; }

bool startsWithAt(const std::wstring& text, size_t at, const wchar_t* prefix)
{
    for (size_t i = 0; prefix[i]; ++i)
        if (at + i >= text.size() || lower(text[at + i]) != prefix[i]) return false;
    return true;
}

void appendCodePoint(std::wstring& out, unsigned long code)
{
    if (code < 0x10000) {
        out += static_cast<wchar_t>(code);
    } else {
        code -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (code >> 10));
        out += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
    }
}

bool namedEntity(const std::wstring& name, unsigned long& code)
{
    static const std::pair<const wchar_t*, unsigned long> names[] = {
        {L"amp", '&'},     {L"lt", '<'},        {L"gt", '>'},       {L"quot", '"'},
        {L"apos", '\''},   {L"nbsp", 0xA0},     {L"copy", 0xA9},    {L"reg", 0xAE},
        {L"hellip", 0x2026}, {L"mdash", 0x2014}, {L"ndash", 0x2013}, {L"bull", 0x2022},
        {L"lsquo", 0x2018}, {L"rsquo", 0x2019}, {L"ldquo", 0x201C}, {L"rdquo", 0x201D},
    };
    for (const auto& entry : names)
        if (name == entry.first) {
            code = entry.second;
            return true;
        }
    return false;
}

// Replaces character references; one that is not understood stays as written.
std::wstring decodeEntities(const std::wstring& raw)
{
    std::wstring out;
    for (size_t i = 0; i < raw.size(); ++i) {
        size_t end = raw.find(L';', i);
        if (raw[i] != L'&' || end == std::wstring::npos || end - i > 10 || end == i + 1) {
            out += raw[i];
            continue;
        }
        std::wstring name = raw.substr(i + 1, end - i - 1);
        unsigned long code = 0;
        bool known = false;
        if (name[0] == L'#') {
            bool hex = name.size() > 1 && lower(name[1]) == L'x';
            const wchar_t* digits = name.c_str() + (hex ? 2 : 1);
            wchar_t* stop = nullptr;
            code = *digits ? wcstoul(digits, &stop, hex ? 16 : 10) : 0;
            known = stop && *stop == L'\0' && code > 0 && code <= 0x10FFFF &&
                    !(code >= 0xD800 && code <= 0xDFFF);
        } else {
            known = namedEntity(name, code);
        }
        if (!known) {
            out += raw[i];
            continue;
        }
        appendCodePoint(out, code);
        i = end;
    }
    return out;
}

struct Tag {
    std::wstring name;   // lower case
    bool closing = false;
    std::map<std::wstring, std::wstring> attributes;   // lower-case names
};

// Reads the tag that starts at html[at] == '<'; returns the position after
// its '>', or npos when there is no whole tag there.
size_t readTag(const std::wstring& html, size_t at, Tag& tag)
{
    size_t i = at + 1;
    if (i < html.size() && html[i] == L'/') {
        tag.closing = true;
        ++i;
    }
    if (i >= html.size() || !isLetter(html[i])) return std::wstring::npos;
    while (i < html.size() && (isLetter(html[i]) || (html[i] >= L'0' && html[i] <= L'9')))
        tag.name += lower(html[i++]);
    for (;;) {
        while (i < html.size() && (isSpace(html[i]) || html[i] == L'/')) ++i;
        if (i >= html.size()) return std::wstring::npos;
        if (html[i] == L'>') return i + 1;
        std::wstring name;
        while (i < html.size() && !isSpace(html[i]) && html[i] != L'=' && html[i] != L'>' &&
               html[i] != L'/')
            name += lower(html[i++]);
        while (i < html.size() && isSpace(html[i])) ++i;
        std::wstring value;
        if (i < html.size() && html[i] == L'=') {
            ++i;
            while (i < html.size() && isSpace(html[i])) ++i;
            if (i < html.size() && (html[i] == L'"' || html[i] == L'\'')) {
                size_t close = html.find(html[i], i + 1);
                if (close == std::wstring::npos) return std::wstring::npos;
                value = html.substr(i + 1, close - i - 1);
                i = close + 1;
            } else {
                while (i < html.size() && !isSpace(html[i]) && html[i] != L'>') value += html[i++];
            }
        }
        if (!name.empty()) tag.attributes[name] = decodeEntities(value);
    }
}

struct ListState {
    bool numbered = false;
    int next = 1;
};

class Reader {
public:
    explicit Reader(const std::wstring& html) : html_(html) {}

    Document read()
    {
        size_t i = 0;
        while (i < html_.size()) {
            size_t open = html_.find(L'<', i);
            if (open == std::wstring::npos) open = html_.size();
            if (open > i) text(html_.substr(i, open - i));
            if (open == html_.size()) break;
            i = markup(open);
        }
        closeParagraph();
        settleAnchors();
        if (!document_.title.empty() && document_.title.back() == L' ') document_.title.pop_back();
        return std::move(document_);
    }

private:
    // Handles the markup at html_[at] == '<'; returns where reading goes on.
    size_t markup(size_t at)
    {
        if (startsWithAt(html_, at, L"<!--")) {
            size_t end = html_.find(L"-->", at + 4);
            return end == std::wstring::npos ? html_.size() : end + 3;
        }
        if (startsWithAt(html_, at, L"<!") || startsWithAt(html_, at, L"<?")) {
            size_t end = html_.find(L'>', at);
            return end == std::wstring::npos ? html_.size() : end + 1;
        }
        Tag tag;
        size_t after = readTag(html_, at, tag);
        if (after == std::wstring::npos) {
            text(L"<");
            return at + 1;
        }
        if (!tag.closing && (tag.name == L"script" || tag.name == L"style")) {
            size_t end = html_.size();
            for (size_t j = after; j < html_.size(); ++j)
                if (startsWithAt(html_, j, tag.name == L"script" ? L"</script" : L"</style")) {
                    end = html_.find(L'>', j);
                    end = end == std::wstring::npos ? html_.size() : end + 1;
                    break;
                }
            return end;
        }
        element(tag);
        return after;
    }

    void element(const Tag& tag)
    {
        const std::wstring& name = tag.name;
        if (!tag.closing) {
            auto id = tag.attributes.find(L"id");
            if (id != tag.attributes.end()) anchor(id->second);
        }
        if (name == L"title") {
            inTitle_ = !tag.closing;
        } else if (name.size() == 2 && name[0] == L'h' && name[1] >= L'1' && name[1] <= L'6') {
            closeParagraph();
            if (!tag.closing)
                current_.kind = name[1] == L'1'   ? BlockKind::Heading1
                                : name[1] == L'2' ? BlockKind::Heading2
                                                  : BlockKind::Heading3;
        } else if (name == L"ul" || name == L"ol") {
            closeParagraph();
            if (!tag.closing && lists_.size() < DeepestList) lists_.push_back({name == L"ol", 1});
            else if (tag.closing && !lists_.empty()) lists_.pop_back();
        } else if (name == L"li") {
            closeParagraph();
            if (!tag.closing) {
                current_.kind = BlockKind::ListItem;
                current_.listDepth = lists_.empty() ? 1 : static_cast<int>(lists_.size());
                if (!lists_.empty() && lists_.back().numbered)
                    current_.marker = std::to_wstring(lists_.back().next++) + L".";
                else
                    current_.marker = L"\x2022";
            }
        } else if (name == L"br") {
            // A new line of the same block, without a second list marker.
            BlockKind kind = current_.kind;
            int depth = current_.listDepth;
            closeParagraph();
            current_.kind = kind;
            current_.listDepth = depth;
        } else if (name == L"p" || name == L"div" || name == L"hr" || name == L"blockquote" ||
                   name == L"table" || name == L"tr" || name == L"dt" || name == L"dd" ||
                   name == L"pre" || name == L"body") {
            closeParagraph();
        } else if (name == L"b" || name == L"strong") {
            bold_ = tag.closing ? (bold_ > 0 ? bold_ - 1 : 0) : bold_ + 1;
        } else if (name == L"i" || name == L"em") {
            italic_ = tag.closing ? (italic_ > 0 ? italic_ - 1 : 0) : italic_ + 1;
        } else if (name == L"a") {
            if (tag.closing) {
                link_.clear();
                return;
            }
            auto named = tag.attributes.find(L"name");
            if (named != tag.attributes.end()) anchor(named->second);
            auto href = tag.attributes.find(L"href");
            if (href != tag.attributes.end() && !href->second.empty() && href->second[0] == L'#')
                link_ = href->second.substr(1);
        }
    }

    void text(const std::wstring& raw)
    {
        std::wstring decoded = decodeEntities(raw);
        if (inTitle_) {
            for (wchar_t c : decoded) {
                if (isSpace(c)) {
                    if (!document_.title.empty() && document_.title.back() != L' ')
                        document_.title += L' ';
                } else {
                    document_.title += c;
                }
            }
            return;
        }
        for (wchar_t c : decoded) {
            if (isSpace(c)) {
                pendingSpace_ = true;
                continue;
            }
            if (pendingSpace_ && !current_.runs.empty()) appendSpace();
            pendingSpace_ = false;
            append(c, bold_ > 0, italic_ > 0, link_);
        }
    }

    // The space between two words belongs to the first, so that bold text or
    // a link starts at its first letter; but no link ends in a space.
    void appendSpace()
    {
        Run& last = current_.runs.back();
        if (last.link.empty() || last.link == link_) last.text += L' ';
        else append(L' ', false, false, L"");
    }

    void append(wchar_t c, bool bold, bool italic, const std::wstring& link)
    {
        if (current_.runs.empty() || current_.runs.back().bold != bold ||
            current_.runs.back().italic != italic || current_.runs.back().link != link) {
            Run run;
            run.bold = bold;
            run.italic = italic;
            run.link = link;
            current_.runs.push_back(run);
        }
        current_.runs.back().text += c;
    }

    void anchor(const std::wstring& name)
    {
        if (name.empty() || document_.anchors.count(name)) return;
        document_.anchors[name] = {document_.paragraphs.size(), current_.text().size()};
    }

    void closeParagraph()
    {
        if (!current_.runs.empty()) {
            // A space is only ever written between two characters, so there
            // is none to trim at the end.
            document_.paragraphs.push_back(std::move(current_));
        }
        current_ = Paragraph();
        pendingSpace_ = false;
    }

    // Anchors after the last text lead to the end of the document.
    void settleAnchors()
    {
        for (auto& entry : document_.anchors) {
            Position& position = entry.second;
            if (position.paragraph < document_.paragraphs.size()) continue;
            if (document_.paragraphs.empty()) {
                position = {0, 0};
            } else {
                position.paragraph = document_.paragraphs.size() - 1;
                position.offset = document_.paragraphs.back().text().size();
            }
        }
    }

    const std::wstring& html_;
    Document document_;
    Paragraph current_;
    std::vector<ListState> lists_;
    std::wstring link_;
    int bold_ = 0;
    int italic_ = 0;
    bool pendingSpace_ = false;
    bool inTitle_ = false;
};

} // namespace

std::wstring Paragraph::text() const
{
    std::wstring all;
    for (const Run& run : runs) all += run.text;
    return all;
}

Document parseHtml(const std::wstring& html)
{
    return Reader(html).read();
}

void splitTarget(const std::wstring& target, std::wstring& file, std::wstring& anchor)
{
    size_t hash = target.find(L'#');
    file = target.substr(0, hash);
    anchor = hash == std::wstring::npos ? L"" : target.substr(hash + 1);
}

} // namespace help
