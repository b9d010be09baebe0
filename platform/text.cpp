#include "platform/text.h"

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
