// Owners for the Win32 handles the program opens, so that every exit path closes them.
#pragma once

#include <windows.h>

#include <utility>

namespace kr8 {

// One owned handle of a kind described by Traits: Traits::Empty() is the value that owns
// nothing, Traits::IsEmpty(h) says whether h owns nothing and Traits::Close(h) releases it.
template <typename Traits>
class UniqueOwner {
  public:
    using Handle = typename Traits::Handle;

    UniqueOwner() = default;
    explicit UniqueOwner(Handle handle) : handle_(handle) {}
    ~UniqueOwner() { reset(); }

    UniqueOwner(const UniqueOwner&) = delete;
    UniqueOwner& operator=(const UniqueOwner&) = delete;
    UniqueOwner(UniqueOwner&& other) noexcept : handle_(other.release()) {}
    UniqueOwner& operator=(UniqueOwner&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    Handle get() const { return handle_; }
    explicit operator bool() const { return !Traits::IsEmpty(handle_); }

    // For the out-parameter of an opening call: whatever was owned is closed first, so the
    // call cannot overwrite a handle that still needs closing.
    Handle* put() {
        reset();
        return &handle_;
    }

    Handle release() { return std::exchange(handle_, Traits::Empty()); }

    void reset(Handle handle = Traits::Empty()) {
        const Handle old = std::exchange(handle_, handle);
        if (!Traits::IsEmpty(old)) {
            Traits::Close(old);
        }
    }

  private:
    Handle handle_ = Traits::Empty();
};

struct HKeyTraits {
    using Handle = HKEY;
    static Handle Empty() { return nullptr; }
    static bool IsEmpty(Handle h) { return h == nullptr; }
    static void Close(Handle h) { ::RegCloseKey(h); }
};

// Win32 answers a failed open with NULL from some calls and INVALID_HANDLE_VALUE from others;
// neither must reach CloseHandle.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() { return nullptr; }
    static bool IsEmpty(Handle h) { return h == nullptr || h == INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::CloseHandle(h); }
};

struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static bool IsEmpty(Handle h) { return h == INVALID_HANDLE_VALUE || h == nullptr; }
    static void Close(Handle h) { ::FindClose(h); }
};

using UniqueHKey = UniqueOwner<HKeyTraits>;
using UniqueHandle = UniqueOwner<KernelHandleTraits>;
using UniqueFindHandle = UniqueOwner<FindHandleTraits>;

}  // namespace kr8
