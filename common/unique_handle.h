#pragma once
// The one owner of system handles: closes what it holds when it goes, when it is given
// another handle, and before a call writes a new handle through Out(). What differs between
// kinds of handle is only which value means "none" and how a handle is closed, so each kind
// is a small Traits struct:
//
//   struct Traits {
//       using Handle = ...;                 // the handle type
//       static Handle Invalid();            // the value that means "no handle"
//       static void Close(Handle handle);   // called only for a value other than Invalid()
//   };
//
// The Win32 kinds are in unique_handle_win32.h. This header needs no system header itself,
// so that a neutral header can hold a handle behind an opaque type.

#include <utility>

template <typename Traits>
class UniqueHandle {
  public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { Reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    Handle Get() const { return handle_; }
    bool Valid() const { return handle_ != Traits::Invalid(); }

    // Closes the handle held (if any) and takes handle, which may be Invalid().
    void Reset(Handle handle = Traits::Invalid()) {
        const Handle old = std::exchange(handle_, handle);
        if (old != Traits::Invalid())
            Traits::Close(old);
    }

    // Gives up ownership without closing.
    Handle Release() { return std::exchange(handle_, Traits::Invalid()); }

    // For calls that hand out a handle through a pointer: whatever was held is closed
    // first, so that the call cannot overwrite an open handle.
    Handle* Out() {
        Reset();
        return &handle_;
    }

  private:
    Handle handle_ = Traits::Invalid();
};
