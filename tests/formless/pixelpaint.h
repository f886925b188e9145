#pragma once
// The key-coloured picture painted pixel by pixel through single-pixel system
// calls, as the simplest correct painter does it: the oracle against which
// the toolkit's own painting is held, in its tests, the installer's tests and
// its benchmark. The rule lives here only: a pixel of the key colour shows
// the button face, every other pixel its own colour.
#include "formless/gdi.h"
#include "formless/image.h"

#include <windows.h>

namespace toolkit {

// The w x h picture of source, keyed, stretched onto dc's rectangle target.
inline void paintPixelByPixel(HDC dc, HDC source, int w, int h, COLORREF key, const RECT& target) {
  SelectedBitmap temp(OwnedMemoryDc(CreateCompatibleDC(dc)),
                      OwnedBitmap(CreateCompatibleBitmap(dc, w, h)));
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      COLORREF c = GetPixel(source, x, y);
      SetPixelV(temp.dc(), x, y, c == key ? face : c);
    }
  StretchBlt(dc, target.left, target.top, target.right - target.left, target.bottom - target.top,
             temp.dc(), 0, 0, w, h, SRCCOPY);
}

inline void paintPixelByPixel(HDC dc, const tImage& image) {
  const tBitmapRec& b = image.bitmap;
  RECT target = {image.bounds.left, image.bounds.top, image.bounds.left + image.drawWidth,
                 image.bounds.top + image.drawHeight};
  paintPixelByPixel(dc, b.dc(), b.width, b.height, b.keyColor, target);
}

} // namespace toolkit
