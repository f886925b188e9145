#pragma once
// One move-only owner for every kind of system handle. A traits type names
// the handle, its empty value and how it is closed, so that files, keys, GDI
// objects and processes share one piece of ownership code:
//
//   struct FontTraits {
//     using Handle = HFONT;
//     static Handle empty() { return nullptr; }
//     static void close(Handle h) { DeleteObject(h); }
//   };
//   using OwnedFont = UniqueHandle<FontTraits>;
#include <utility>

template <class Traits> class UniqueHandle {
public:
  using Handle = typename Traits::Handle;

  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Traits::empty(); }

  // Gives the handle up without closing it.
  Handle release() { return std::exchange(handle_, Traits::empty()); }
  // Closes the handle held (if any) and holds the new one.
  void reset(Handle handle = Traits::empty()) {
    Handle old = std::exchange(handle_, handle);
    if (old != Traits::empty()) Traits::close(old);
  }

private:
  Handle handle_ = Traits::empty();
};
