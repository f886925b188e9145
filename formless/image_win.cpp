#include "formless/image.h"

#include <cstring>
#include <vector>

namespace {

// A 32-bit device-independent bitmap word (0x00RRGGBB) for a colour.
uint32_t dibColor(COLORREF color) {
  return uint32_t{GetRValue(color)} << 16 | uint32_t{GetGValue(color)} << 8 | GetBValue(color);
}

// The bounds an image is drawn at: an empty width or height takes the
// picture's own.
tRect drawBounds(const tRect& bounds, const tBitmapRec& picture) {
  int32_t w = bounds.right - bounds.left;
  int32_t h = bounds.bottom - bounds.top;
  return makeBounds(bounds.left, bounds.top, w == 0 ? picture.width : w,
                    h == 0 ? picture.height : h);
}

// The record of a bitmap made compatible with the screen, keyed by its
// top-left pixel.
tBitmapRec recordOf(OwnedBitmap bitmap) {
  BITMAP info = {};
  if (!bitmap || !GetObjectA(bitmap.get(), sizeof info, &info)) return {};
  tBitmapRec rec;
  rec.width = info.bmWidth;
  rec.height = info.bmHeight;
  rec.picture = SelectedBitmap(OwnedMemoryDc(CreateCompatibleDC(nullptr)), std::move(bitmap));
  rec.keyColor = GetPixel(rec.dc(), 0, 0);
  return rec;
}

// The bytes of a colour table or of the pixels of a bitmap of this header.
size_t colorTableSize(const BITMAPINFOHEADER& header) {
  size_t colors = header.biClrUsed;
  if (colors == 0 && header.biBitCount <= 8) colors = size_t{1} << header.biBitCount;
  return colors * sizeof(RGBQUAD);
}
size_t pixelBytes(const BITMAPINFOHEADER& header) {
  size_t stride = (size_t(header.biWidth) * header.biBitCount + 31) / 32 * 4;
  return stride * size_t(header.biHeight < 0 ? -int64_t{header.biHeight} : header.biHeight);
}

} // namespace

tBitmapRec loadBitmapRec(LPCSTR name) {
  return recordOf(OwnedBitmap(LoadBitmapA(GetModuleHandleA(nullptr), name)));
}

tBitmapRec bitmapRecFromBmp(std::string_view file) {
  BITMAPFILEHEADER head = {};
  BITMAPINFOHEADER header = {};
  if (file.size() < sizeof head + sizeof header) return {};
  std::memcpy(&head, file.data(), sizeof head);
  std::memcpy(&header, file.data() + sizeof head, sizeof header);
  const bool plain =
      header.biCompression == BI_RGB && header.biPlanes == 1 &&
      (header.biBitCount == 1 || header.biBitCount == 4 || header.biBitCount == 8 ||
       header.biBitCount == 16 || header.biBitCount == 24 || header.biBitCount == 32);
  if (head.bfType != 0x4D42 /* "BM" */ || header.biSize != sizeof header || !plain ||
      header.biWidth <= 0 || header.biWidth > 0x8000 || header.biHeight == 0 ||
      header.biHeight > 0x8000 || header.biHeight < -0x8000 || header.biClrUsed > 256)
    return {};
  const size_t infoSize = sizeof header + colorTableSize(header);
  if (head.bfOffBits < sizeof head + infoSize || head.bfOffBits > file.size() ||
      pixelBytes(header) > file.size() - head.bfOffBits)
    return {};
  // The header and colours copied out, so that GDI reads them aligned.
  std::vector<uint32_t> info((infoSize + 3) / 4);
  std::memcpy(info.data(), file.data() + sizeof head, infoSize);
  OwnedWindowDc screen = windowDc(nullptr);
  OwnedBitmap bitmap(
      CreateDIBitmap(screen.get().dc, &header, CBM_INIT, file.data() + head.bfOffBits,
                     reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS));
  screen.reset();
  return recordOf(std::move(bitmap));
}

const tMessageMethod tGraphicComponent::methods[] = {
    {WM_PAINT, callMethod<tGraphicComponent, &tGraphicComponent::wmPaint>},
};
const tMessageTable tGraphicComponent::messages{&tComponent::messages, tGraphicComponent::methods};

tGraphicComponent::tGraphicComponent(tOwner& newOwner, const tRect& rect)
    : tComponent(newOwner, rect) {
  owner = &newOwner;
}

void tGraphicComponent::paint(HDC) {}

void tGraphicComponent::wmPaint(tMessageRec&) {}

tImage::tImage(tOwner& owner, const tRect& bounds, tBitmapRec picture)
    : tGraphicComponent(owner, drawBounds(bounds, picture)), bitmap(std::move(picture)) {
  drawWidth = this->bounds.right - this->bounds.left;
  drawHeight = this->bounds.bottom - this->bounds.top;
}

void tImage::paint(HDC dc) {
  HDC source = bitmap.dc();
  if (bitmap.keyColor != CLR_INVALID) {
    // Read at every paint, so that a changed colour scheme shows at once.
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    if (face != keyedFace_ || !keyed_.dc()) buildKeyed(face);
    source = keyed_.dc();
  }
  StretchBlt(dc, bounds.left, bounds.top, drawWidth, drawHeight, source, 0, 0, bitmap.width,
             bitmap.height, SRCCOPY);
}

void tImage::buildKeyed(COLORREF face) {
  if (!keyed_.dc()) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = bitmap.width;
    info.bmiHeader.biHeight = -bitmap.height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    OwnedBitmap dib(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib) return;
    keyed_ = SelectedBitmap(OwnedMemoryDc(CreateCompatibleDC(nullptr)), std::move(dib));
    keyedPixels_ = static_cast<uint32_t*>(bits);
  }
  // The picture as it is, then every pixel of exactly the key colour (no
  // tolerance) in the face colour.
  BitBlt(keyed_.dc(), 0, 0, bitmap.width, bitmap.height, bitmap.dc(), 0, 0, SRCCOPY);
  GdiFlush(); // the copy must have landed before the pixels are read
  const uint32_t key = dibColor(bitmap.keyColor);
  const uint32_t faceWord = dibColor(face);
  const size_t count = size_t(bitmap.width) * size_t(bitmap.height);
  for (size_t i = 0; i < count; ++i)
    if ((keyedPixels_[i] & 0xFFFFFF) == key) keyedPixels_[i] = faceWord;
  keyedFace_ = face;
}
