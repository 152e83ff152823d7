// One owner for a handle that the platform closes with a function of its own (a registry key, a
// GDI object, an icon): closed when the owner goes, moved but never copied. Plain C++.
#pragma once

#include <utility>

namespace zarnetcalc {

// Close is called with the handle when the owner ends holding one; a null handle is none.
template <class Handle, auto Close>
class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, Handle{})) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        Reset(std::exchange(other.handle_, Handle{}));
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(); }

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != Handle{}; }
    // Closes the handle held, if any, and holds this one.
    void Reset(Handle handle = Handle{}) {
        if (handle_ != Handle{}) {
            Close(handle_);
        }
        handle_ = handle;
    }
    // For out-parameters: closes the handle held and gives the slot.
    Handle* Put() {
        Reset();
        return &handle_;
    }

  private:
    Handle handle_{};
};

}  // namespace zarnetcalc
