#pragma once
// Owners for the GDI objects that the toolkit keeps beyond one call: fonts,
// brushes, bitmaps and memory device contexts, each deleted with its owner.
#include "util/handle.h"

#include <utility>

#include <windows.h>

template <class H> struct GdiObjectTraits {
  using Handle = H;
  static Handle empty() { return nullptr; }
  static void close(Handle object) { DeleteObject(object); }
};

struct MemoryDcTraits {
  using Handle = HDC;
  static Handle empty() { return nullptr; }
  static void close(Handle dc) { DeleteDC(dc); }
};

// A window's device context (GetDC) is given back with ReleaseDC, which
// needs the window as well.
struct WindowDcHandle {
  HWND window = nullptr;
  HDC dc = nullptr;
  bool operator==(const WindowDcHandle&) const = default;
};
struct WindowDcTraits {
  using Handle = WindowDcHandle;
  static Handle empty() { return {}; }
  static void close(Handle h) { ReleaseDC(h.window, h.dc); }
};

using OwnedFont = UniqueHandle<GdiObjectTraits<HFONT>>;
using OwnedBrush = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using OwnedBitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using OwnedMemoryDc = UniqueHandle<MemoryDcTraits>;
using OwnedWindowDc = UniqueHandle<WindowDcTraits>;

// The device context of the window (null: the screen); empty when the
// system gives none.
inline OwnedWindowDc windowDc(HWND window) {
  HDC dc = GetDC(window);
  return dc ? OwnedWindowDc({window, dc}) : OwnedWindowDc();
}

// A bitmap selected into a memory device context for as long as the pair
// lives; the context's own bitmap is put back before the bitmap is deleted.
class SelectedBitmap {
public:
  SelectedBitmap() = default;
  SelectedBitmap(OwnedMemoryDc dc, OwnedBitmap bitmap)
      : dc_(std::move(dc)), bitmap_(std::move(bitmap)),
        previous_(dc_ && bitmap_ ? SelectObject(dc_.get(), bitmap_.get()) : nullptr) {}
  ~SelectedBitmap() { release(); }
  SelectedBitmap(SelectedBitmap&& other) noexcept
      : dc_(std::move(other.dc_)), bitmap_(std::move(other.bitmap_)),
        previous_(std::exchange(other.previous_, nullptr)) {}
  SelectedBitmap& operator=(SelectedBitmap&& other) noexcept {
    if (this != &other) {
      release();
      dc_ = std::move(other.dc_);
      bitmap_ = std::move(other.bitmap_);
      previous_ = std::exchange(other.previous_, nullptr);
    }
    return *this;
  }

  HDC dc() const { return dc_.get(); }
  HBITMAP bitmap() const { return bitmap_.get(); }

private:
  void release() {
    if (previous_) SelectObject(dc_.get(), previous_);
    previous_ = nullptr;
    bitmap_.reset();
    dc_.reset();
  }

  OwnedMemoryDc dc_;
  OwnedBitmap bitmap_;
  HGDIOBJ previous_ = nullptr;
};
