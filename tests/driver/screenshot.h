#pragma once
// Pixels of windows as a user sees them, for tests that check what is drawn
// and for screenshots saved as PNG files.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace uidriver {

// A window's device context, the screen's for none, released with the object.
class WindowDc {
public:
  explicit WindowDc(HWND window = nullptr) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;

  HDC get() const { return dc_; }

private:
  HWND window_;
  HDC dc_;
};

// 0x00RRGGBB pixels, rows top to bottom.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;

  uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  // The pixel as the system's COLORREF (0x00BBGGRR).
  COLORREF colorAt(int x, int y) const;
  // The part of the picture at x, y of this size.
  Picture crop(int x, int y, int w, int h) const;
  bool operator==(const Picture&) const = default;
};

// Everything drawn in the window's client area: read from the window's own
// device context, so other windows over it do not matter. Only for windows
// of the calling process.
Picture captureClient(HWND window);
// The window with its frame as it shows on the screen (any process).
Picture captureScreen(HWND window);
// What a device context holds in the rectangle x, y, w, h.
Picture capture(HDC dc, int x, int y, int w, int h);
// What paint draws on a w x h canvas of the screen's format, filled with fill
// first: the reference that a test holds a window's pixels against.
Picture painted(int w, int h, COLORREF fill, const std::function<void(HDC)>& paint);

// Writes the picture as a 24-bit PNG file; false when it cannot be written.
bool writePng(const std::string& path, const Picture& picture);

} // namespace uidriver
