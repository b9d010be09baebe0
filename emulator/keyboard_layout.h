// The keys of the device's input panel: where each lies on the panel and
// what it types or does, on the letters and on the symbols layer.
#ifndef MORVANE_EMULATOR_KEYBOARD_LAYOUT_H
#define MORVANE_EMULATOR_KEYBOARD_LAYOUT_H

#include <cstddef>

namespace keyboard_layout {

enum class Action { Type, Shift, Symbols, Space, Backspace, Enter };

struct Key {
    int row;          // from the top, 0 to RowCount - 1
    int left, width;  // in pixels of a 240-pixel row
    Action action;
    wchar_t letter;   // on the letters layer (lower case); 0 for a named key
    wchar_t symbol;   // on the symbols layer
};

constexpr int RowCount = 5;
constexpr int RowWidth = 240;

// Every key, row by row; a key's index is its place here.
const Key* keys();
size_t keyCount();

// What the key types in the present state, or its name ("Shift", ...), as
// its window text; `label` is what is drawn on it, shorter where the name
// does not fit. Both hold at most `capacity` characters with the terminator.
void keyText(const Key& key, bool shifted, bool symbols, wchar_t* text, size_t capacity);
const wchar_t* keyLabel(const Key& key, bool symbols);

} // namespace keyboard_layout

#endif
