// The one owner of every handle, descriptor and allocation the program opens, on every platform,
// so that each exit path releases what it took.
#pragma once

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

}  // namespace kr8
