#include "emulator/keyboard_layout.h"

#include <cwctype>
#include <iterator>

namespace keyboard_layout {

namespace {

constexpr int KeyWidth = RowWidth / 10;

// The typing rows: letters and symbols key by key, indented by half a key
// where the row is shorter. The symbols layer has what paths and names need
// first: \ : . - _ /
struct TypingRow {
    int row, indent;
    const wchar_t* letters;
    const wchar_t* symbols;
};

constexpr TypingRow typingRows[] = {
    {0, 0, L"1234567890", L"1234567890"},
    {1, 0, L"qwertyuiop", L"\\:.-_/(),;"},
    {2, KeyWidth / 2, L"asdfghjkl", L"!?'\"@#&+="},
    {3, KeyWidth * 3 / 2, L"zxcvbnm", L"%*~$<>^"},
};

constexpr Key namedKeys[] = {
    {3, 0, KeyWidth * 3 / 2, Action::Shift, 0, 0},
    {3, RowWidth - KeyWidth * 3 / 2, KeyWidth * 3 / 2, Action::Backspace, 0, 0},
    {4, 0, KeyWidth * 2, Action::Symbols, 0, 0},
    {4, KeyWidth * 2, KeyWidth * 6, Action::Space, 0, 0},
    {4, KeyWidth * 8, KeyWidth * 2, Action::Enter, 0, 0},
};

struct Table {
    Key keys[64];
    size_t count = 0;

    Table()
    {
        for (const TypingRow& row : typingRows)
            for (size_t i = 0; row.letters[i] && count < std::size(keys); ++i)
                keys[count++] = Key{row.row, row.indent + static_cast<int>(i) * KeyWidth, KeyWidth, Action::Type,
                                    row.letters[i], row.symbols[i]};
        for (const Key& key : namedKeys)
            if (count < std::size(keys)) keys[count++] = key;
    }
};

const Table& table()
{
    static const Table built;
    return built;
}

const wchar_t* keyName(Action action)
{
    switch (action) {
    case Action::Shift: return L"Shift";
    case Action::Symbols: return L"Symbols";
    case Action::Space: return L"Space";
    case Action::Backspace: return L"Backspace";
    case Action::Enter: return L"Enter";
    case Action::Type: break;
    }
    return L"";
}

} // namespace

const Key* keys() { return table().keys; }
size_t keyCount() { return table().count; }

void keyText(const Key& key, bool shifted, bool symbols, wchar_t* text, size_t capacity)
{
    if (capacity == 0) return;
    text[0] = L'\0';
    if (key.action != Action::Type) {
        const wchar_t* name = keyName(key.action);
        size_t i = 0;
        for (; name[i] && i + 1 < capacity; ++i) text[i] = name[i];
        text[i] = L'\0';
        return;
    }
    if (capacity < 2) return;
    const wchar_t typed = symbols ? key.symbol : key.letter;
    text[0] = shifted && !symbols ? static_cast<wchar_t>(std::towupper(typed)) : typed;
    text[1] = L'\0';
}

const wchar_t* keyLabel(const Key& key, bool symbols)
{
    switch (key.action) {
    case Action::Backspace: return L"Bksp";
    case Action::Symbols: return symbols ? L"abc" : L"#+=";
    case Action::Space: return L"";
    default: return keyName(key.action);
    }
}

} // namespace keyboard_layout
