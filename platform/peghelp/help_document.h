// The help viewer's reading of a help file: the small HTML subset that help
// files use (headings, paragraphs, lists, bold and italic text, named
// anchors and links to them), turned into paragraphs of styled runs.
// Anything else is read for its text alone.
#ifndef MORVANE_PLATFORM_PEGHELP_HELP_DOCUMENT_H
#define MORVANE_PLATFORM_PEGHELP_HELP_DOCUMENT_H

#include <map>
#include <string>
#include <vector>

namespace help {

enum class BlockKind { Paragraph, Heading1, Heading2, Heading3, ListItem };

struct Run {
    std::wstring text;
    bool bold = false;
    bool italic = false;
    std::wstring link;   // the anchor a "#name" link leads to; empty for plain text
};

struct Paragraph {
    BlockKind kind = BlockKind::Paragraph;
    int listDepth = 0;        // 1 for an item of a top-level list
    std::wstring marker;      // "•" or "3." before a list item; empty otherwise
    std::vector<Run> runs;

    std::wstring text() const;
};

// Where an anchor points: a paragraph and a character offset within its text.
struct Position {
    size_t paragraph = 0;
    size_t offset = 0;
};

struct Document {
    std::wstring title;
    std::vector<Paragraph> paragraphs;
    std::map<std::wstring, Position> anchors;   // by name, as written
};

// Reads the HTML text. Never fails: text that is not HTML reads as paragraphs
// of plain text, and a broken tag is taken for its text.
Document parseHtml(const std::wstring& html);

// Splits "file.htm#anchor" into its file and anchor (either may be empty).
void splitTarget(const std::wstring& target, std::wstring& file, std::wstring& anchor);

} // namespace help

#endif
