#include "platform/text.h"

#include <windows.h>
#include <iterator>

bool copyText(wchar_t* dst, size_t capacity, const wchar_t* src)
{
    if (capacity == 0) return false;
    size_t i = 0;
    for (; src[i] != L'\0'; ++i) {
        if (i + 1 == capacity) {
            dst[i] = L'\0';
            return false;
        }
        dst[i] = src[i];
    }
    dst[i] = L'\0';
    return true;
}

bool appendText(wchar_t* dst, size_t capacity, const wchar_t* src)
{
    size_t used = boundedLength(dst, capacity);
    size_t extra = wcslen(src);
    if (used == capacity || used + extra + 1 > capacity) return false;
    wmemcpy(dst + used, src, extra + 1);
    return true;
}

size_t boundedLength(const wchar_t* buf, size_t capacity)
{
    size_t n = 0;
    while (n < capacity && buf[n] != L'\0') ++n;
    return n;
}

HeapText::~HeapText()
{
    if (text_) HeapFree(GetProcessHeap(), 0, text_);
}

bool HeapText::append(const wchar_t* text, size_t count)
{
    // The largest text a size_t of bytes can hold, with its terminator.
    constexpr size_t Largest = static_cast<size_t>(-1) / sizeof(wchar_t) / 2;
    if (count > Largest - length_) return false;
    size_t needed = length_ + count + 1;
    if (needed > capacity_) {
        // Doubling keeps a text built from many short pieces cheap to build.
        size_t capacity = capacity_ ? capacity_ : 64;
        while (capacity < needed) capacity = capacity <= Largest / 2 ? capacity * 2 : Largest;
        HANDLE heap = GetProcessHeap();
        size_t bytes = capacity * sizeof(wchar_t);
        void* grown = text_ ? HeapReAlloc(heap, 0, text_, bytes) : HeapAlloc(heap, 0, bytes);
        if (!grown) return false;
        text_ = static_cast<wchar_t*>(grown);
        capacity_ = capacity;
    }
    wmemcpy(text_ + length_, text, count);
    length_ += count;
    text_[length_] = L'\0';
    return true;
}

bool HeapText::appendNumber(unsigned long long value, int width)
{
    wchar_t digits[24];
    size_t count = 0;
    do {
        digits[std::size(digits) - ++count] = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value != 0 || (static_cast<int>(count) < width && count < std::size(digits)));
    return append(digits + std::size(digits) - count, count);
}
