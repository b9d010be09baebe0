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

#endif
