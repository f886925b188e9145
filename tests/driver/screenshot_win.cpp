#include "tests/driver/screenshot.h"

#include "archive/crc32.h"
#include "formless/gdi.h"

#include <algorithm>
#include <fstream>

namespace uidriver {

COLORREF Picture::colorAt(int x, int y) const {
  uint32_t p = at(x, y);
  return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

Picture Picture::crop(int x, int y, int w, int h) const {
  Picture part{w, h, {}};
  for (int row = 0; row < h; ++row)
    for (int col = 0; col < w; ++col)
      part.pixels.push_back(at(x + col, y + row));
  return part;
}

Picture capture(HDC dc, int x, int y, int w, int h) {
  Picture picture{w, h, std::vector<uint32_t>(static_cast<size_t>(w) * h)};
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h; // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  SelectedBitmap copy(OwnedMemoryDc(CreateCompatibleDC(dc)),
                      OwnedBitmap(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0)));
  BitBlt(copy.dc(), 0, 0, w, h, dc, x, y, SRCCOPY);
  GdiFlush();
  const auto* source = static_cast<const uint32_t*>(bits);
  for (size_t i = 0; i < picture.pixels.size(); ++i)
    picture.pixels[i] = source[i] & 0xFFFFFF;
  return picture;
}

Picture painted(int w, int h, COLORREF fill, const std::function<void(HDC)>& paint) {
  WindowDc screen;
  SelectedBitmap canvas(OwnedMemoryDc(CreateCompatibleDC(screen.get())),
                        OwnedBitmap(CreateCompatibleBitmap(screen.get(), w, h)));
  RECT all = {0, 0, w, h};
  FillRect(canvas.dc(), &all, OwnedBrush(CreateSolidBrush(fill)).get());
  paint(canvas.dc());
  return capture(canvas.dc(), 0, 0, w, h);
}

Picture captureClient(HWND window) {
  RECT r = {};
  GetClientRect(window, &r);
  return capture(WindowDc(window).get(), 0, 0, r.right, r.bottom);
}

Picture captureScreen(HWND window) {
  RECT r = {};
  GetWindowRect(window, &r);
  return capture(WindowDc().get(), r.left, r.top, r.right - r.left, r.bottom - r.top);
}

namespace {

void put32(std::string& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out += static_cast<char>((v >> shift) & 0xFF);
}

void chunk(std::string& out, const char* type, const std::string& data) {
  put32(out, static_cast<uint32_t>(data.size()));
  std::string body = std::string(type, 4) + data;
  out += body;
  uint32_t crc = ~updateCrc(0xFFFFFFFF, reinterpret_cast<const uint8_t*>(body.data()), body.size());
  put32(out, crc);
}

// A zlib stream of stored (uncompressed) deflate blocks: valid everywhere,
// and a screenshot is small enough not to need more.
std::string storedZlib(const std::string& raw) {
  std::string out = "\x78\x01";
  size_t at = 0;
  do {
    size_t n = std::min<size_t>(raw.size() - at, 65535);
    bool last = at + n == raw.size();
    out += static_cast<char>(last ? 1 : 0);
    out += static_cast<char>(n & 0xFF);
    out += static_cast<char>(n >> 8);
    out += static_cast<char>(~n & 0xFF);
    out += static_cast<char>((~n >> 8) & 0xFF);
    out.append(raw, at, n);
    at += n;
  } while (at < raw.size());
  uint32_t a = 1, b = 0;
  for (unsigned char c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  put32(out, b << 16 | a);
  return out;
}

} // namespace

bool writePng(const std::string& path, const Picture& picture) {
  std::string raw;
  raw.reserve(static_cast<size_t>(picture.height) * (1 + 3 * picture.width));
  for (int y = 0; y < picture.height; ++y) {
    raw += '\0'; // no filter
    for (int x = 0; x < picture.width; ++x) {
      uint32_t p = picture.at(x, y);
      raw += static_cast<char>((p >> 16) & 0xFF);
      raw += static_cast<char>((p >> 8) & 0xFF);
      raw += static_cast<char>(p & 0xFF);
    }
  }
  std::string header;
  put32(header, static_cast<uint32_t>(picture.width));
  put32(header, static_cast<uint32_t>(picture.height));
  header += std::string("\x08\x02\x00\x00\x00", 5); // 8 bits, RGB, deflate, no filter, no interlace
  std::string png = "\x89PNG\r\n\x1a\n";
  chunk(png, "IHDR", header);
  chunk(png, "IDAT", storedZlib(raw));
  chunk(png, "IEND", {});
  std::ofstream file(path, std::ios::binary);
  file.write(png.data(), static_cast<std::streamsize>(png.size()));
  return static_cast<bool>(file);
}

} // namespace uidriver
