#pragma once
// The key-coloured picture painted pixel by pixel through single-pixel system
// calls, as the simplest correct painter does it: the oracle against which
// the toolkit's own painting is held, in its tests and its benchmark.
#include "formless/image.h"

#include <windows.h>

namespace toolkit {

inline void paintPixelByPixel(HDC dc, const tImage& image) {
  const tBitmapRec& b = image.bitmap;
  HDC temp = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, b.width, b.height);
  HGDIOBJ old = SelectObject(temp, bitmap);
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  for (int y = 0; y < b.height; ++y)
    for (int x = 0; x < b.width; ++x) {
      COLORREF c = GetPixel(b.dc(), x, y);
      SetPixelV(temp, x, y, c == b.keyColor ? face : c);
    }
  StretchBlt(dc, image.bounds.left, image.bounds.top, image.drawWidth, image.drawHeight, temp, 0, 0,
             b.width, b.height, SRCCOPY);
  SelectObject(temp, old);
  DeleteObject(bitmap);
  DeleteDC(temp);
}

} // namespace toolkit
