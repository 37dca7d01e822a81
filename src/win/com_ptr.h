#pragma once
// An owner of one COM interface pointer: released once, when it goes.

#include <unknwn.h>

#include <utility>

namespace varnimo::win {

template <typename Interface>
class ComPtr {
  public:
    ComPtr() = default;
    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Release();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { Release(); }

    Interface* Get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    // For the calls that hand out a new pointer: what it held is released first.
    Interface** Receive() {
        Release();
        return &pointer_;
    }

  private:
    void Release() {
        if (pointer_ != nullptr) {
            pointer_->Release();
            pointer_ = nullptr;
        }
    }
    Interface* pointer_ = nullptr;
};

}  // namespace varnimo::win
