// An owned COM reference: releases what it holds when it goes, so that every path out of a
// function, early returns included, gives back what it obtained.
#pragma once

#include <utility>

template <class Interface>
class ComRef {
 public:
  ComRef() = default;
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ComRef(ComRef&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComRef& operator=(ComRef&& other) noexcept {
    if (this != &other) {
      reset();
      pointer_ = std::exchange(other.pointer_, nullptr);
    }
    return *this;
  }
  ~ComRef() { reset(); }

  void reset() {
    if (pointer_ != nullptr) std::exchange(pointer_, nullptr)->Release();
  }

  // The slot for an out-parameter that hands over a reference; anything held is released first.
  Interface** put() {
    reset();
    return &pointer_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }

  Interface* get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

 private:
  Interface* pointer_ = nullptr;
};
