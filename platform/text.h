// Bounded copies into fixed-capacity UTF-16 buffers. Truncation is decided
// here and reported, never an accident of the caller.
#ifndef MORVANE_PLATFORM_TEXT_H
#define MORVANE_PLATFORM_TEXT_H

#include <cstddef>
#include <cwchar>
#include <iterator>

// Copies src into dst[capacity], always terminated. Returns false when src did
// not fit (dst then holds its first capacity - 1 characters).
bool copyText(wchar_t* dst, size_t capacity, const wchar_t* src);

// Appends src to the string in dst[capacity]. Returns false, leaving dst
// unchanged, when the result would not fit.
bool appendText(wchar_t* dst, size_t capacity, const wchar_t* src);

template <size_t N>
bool copyText(wchar_t (&dst)[N], const wchar_t* src) { return copyText(dst, N, src); }
template <size_t N>
bool appendText(wchar_t (&dst)[N], const wchar_t* src) { return appendText(dst, N, src); }

// Length of the string in buf[capacity], or capacity when it has no terminator.
size_t boundedLength(const wchar_t* buf, size_t capacity);

// A text without a fixed capacity, for the few that have none (the names of
// every command due at one moment), on the process heap. It grows as text is
// added; when memory runs out an addition fails whole and says so, and the
// text keeps what it held, so that a caller never takes a cut text for the
// whole one.
class HeapText {
public:
    HeapText() = default;
    ~HeapText();
    HeapText(const HeapText&) = delete;
    HeapText& operator=(const HeapText&) = delete;

    bool assign(const wchar_t* text) { clear(); return append(text); }
    bool append(const wchar_t* text) { return append(text, wcslen(text)); }
    bool append(const wchar_t* text, size_t count);
    // value in decimal, with leading zeros up to width digits. Without the C
    // library's formatting, which would bring its floating point along.
    bool appendNumber(unsigned long long value, int width = 0);
    void clear() { length_ = 0; if (text_) text_[0] = L'\0'; }

    const wchar_t* c_str() const { return text_ ? text_ : L""; }
    size_t length() const { return length_; }
    bool empty() const { return length_ == 0; }
    bool equals(const wchar_t* other) const { return wcscmp(c_str(), other) == 0; }

private:
    wchar_t* text_ = nullptr;
    size_t length_ = 0;
    size_t capacity_ = 0;   // characters, the terminator's place included
};

#endif
