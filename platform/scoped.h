// Move-only owners of Win32 handles, one class per way of closing.
#ifndef MORVANE_PLATFORM_SCOPED_H
#define MORVANE_PLATFORM_SCOPED_H

#include <windows.h>
#include <commctrl.h>
#include <utility>

template <typename Handle, typename Traits>
class Scoped {
public:
    Scoped() = default;
    explicit Scoped(Handle h) : handle_(h) {}
    ~Scoped() { reset(); }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;
    Scoped(Scoped&& other) noexcept : handle_(other.release()) {}
    Scoped& operator=(Scoped&& other) noexcept
    {
        if (this != &other) reset(other.release());
        return *this;
    }

    Handle get() const { return handle_; }
    bool valid() const { return !Traits::empty(handle_); }
    explicit operator bool() const { return valid(); }
    Handle* out() { reset(); return &handle_; }   // for functions that return through a pointer
    Handle release() { return std::exchange(handle_, Traits::none()); }
    void reset(Handle h = Traits::none())
    {
        if (!Traits::empty(handle_)) Traits::close(handle_);
        handle_ = h;
    }

private:
    Handle handle_ = Traits::none();
};

// Kernel handles; both null and INVALID_HANDLE_VALUE mean "none".
struct KernelHandleTraits {
    static HANDLE none() { return nullptr; }
    static bool empty(HANDLE h) { return h == nullptr || h == INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { CloseHandle(h); }
};
using ScopedHandle = Scoped<HANDLE, KernelHandleTraits>;

struct RegKeyTraits {
    static HKEY none() { return nullptr; }
    static bool empty(HKEY k) { return k == nullptr; }
    static void close(HKEY k) { RegCloseKey(k); }
};
using ScopedKey = Scoped<HKEY, RegKeyTraits>;

struct FindHandleTraits {
    static HANDLE none() { return INVALID_HANDLE_VALUE; }
    static bool empty(HANDLE h) { return h == INVALID_HANDLE_VALUE || h == nullptr; }
    static void close(HANDLE h) { FindClose(h); }
};
using ScopedFind = Scoped<HANDLE, FindHandleTraits>;

struct ModuleTraits {
    static HMODULE none() { return nullptr; }
    static bool empty(HMODULE m) { return m == nullptr; }
    static void close(HMODULE m) { FreeLibrary(m); }
};
using ScopedModule = Scoped<HMODULE, ModuleTraits>;

struct MenuTraits {
    static HMENU none() { return nullptr; }
    static bool empty(HMENU m) { return m == nullptr; }
    static void close(HMENU m) { DestroyMenu(m); }
};
using ScopedMenu = Scoped<HMENU, MenuTraits>;

struct GdiTraits {
    static HGDIOBJ none() { return nullptr; }
    static bool empty(HGDIOBJ o) { return o == nullptr; }
    static void close(HGDIOBJ o) { DeleteObject(o); }
};
using ScopedGdiObject = Scoped<HGDIOBJ, GdiTraits>;

// A tree view never frees its image list: its dialog does.
struct ImageListTraits {
    static HIMAGELIST none() { return nullptr; }
    static bool empty(HIMAGELIST list) { return list == nullptr; }
    static void close(HIMAGELIST list) { ImageList_Destroy(list); }
};
using ScopedImageList = Scoped<HIMAGELIST, ImageListTraits>;

// An array on the process heap (heapArray below).
template <typename T>
struct HeapMemoryTraits {
    static T* none() { return nullptr; }
    static bool empty(T* p) { return p == nullptr; }
    static void close(T* p) { HeapFree(GetProcessHeap(), 0, p); }
};
template <typename T>
using ScopedHeapMemory = Scoped<T*, HeapMemoryTraits<T>>;

// count elements of a plain type, uninitialised; empty when memory ran out.
template <typename T>
ScopedHeapMemory<T> heapArray(size_t count)
{
    if (count > static_cast<size_t>(-1) / sizeof(T)) return ScopedHeapMemory<T>();
    return ScopedHeapMemory<T>(static_cast<T*>(HeapAlloc(GetProcessHeap(), 0, count * sizeof(T))));
}

// A handle opened at its first use and kept for the life of the process, in
// a static slot (`static HANDLE slot;`): a C++ static initialised by a call
// would bring the C++ runtime's guard and its locks into every program. Two
// threads that race both open it, and the one that loses closes its own.
template <typename Open>
HANDLE keptHandle(HANDLE& slot, Open open)
{
    if (HANDLE kept = slot) return kept;
    HANDLE opened = open();
    if (!opened) return nullptr;
    if (HANDLE earlier = InterlockedCompareExchangePointer(&slot, opened, nullptr)) {
        CloseHandle(opened);
        return earlier;
    }
    return opened;
}

// Holds a mutex from acquisition to the end of the scope. An abandoned mutex
// (its owner died) is owned all the same.
class MutexLock {
public:
    explicit MutexLock(HANDLE mutex) : mutex_(mutex)
    {
        if (mutex_) {
            DWORD r = WaitForSingleObject(mutex_, INFINITE);
            held_ = (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED);
        }
    }
    ~MutexLock() { if (held_) ReleaseMutex(mutex_); }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;
    bool held() const { return held_; }

private:
    HANDLE mutex_;
    bool held_ = false;
};

#endif
