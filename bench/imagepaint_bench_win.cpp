// The key-coloured banner painted onto a real window, two ways: the toolkit's
// tImage (the keyed picture kept as a device-independent bitmap, rebuilt only
// when the button-face colour changes, one StretchBlt a paint) against the
// pixel-by-pixel painter (a GetPixel and a SetPixelV for each of the picture's
// pixels, every paint). Runs under Wine in `make bench`; prints the time of
// one paint each way and ends with
//   image_paint_vs_pixels: R   (pixel-by-pixel time / toolkit time)
#include "formless/image.h"
#include "formless/program.h"
#include "tests/formless/pixelpaint.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

double seconds() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return double(now.QuadPart) / double(frequency.QuadPart);
}

// The best time of one paint over several rounds of paints.
double perPaint(int paints, const std::function<void()>& paint) {
  double best = 1e9;
  for (int round = 0; round < 5; ++round) {
    double start = seconds();
    for (int i = 0; i < paints; ++i)
      paint();
    GdiFlush();
    best = std::min(best, (seconds() - start) / paints);
  }
  return best;
}

} // namespace

int main() {
  formlessStartup();
  tProgram window("IMAGE BENCH");
  window.open(makeBounds(0, 0, 300, 300), "Image paint");
  auto& image = window.make<tImage>(makeBounds(10, 10, 0, 0), loadBitmapRec(MAKEINTRESOURCEA(10)));
  if (image.bitmap.width == 0) {
    std::fprintf(stderr, "imagepaint_bench: no bitmap 10 in the program\n");
    return 1;
  }
  HDC dc = GetDC(window.handle);
  double ours = perPaint(2000, [&] { image.paint(dc); });
  double pixels = perPaint(20, [&] { toolkit::paintPixelByPixel(dc, image); });
  ReleaseDC(window.handle, dc);
  std::printf("%dx%d picture, one paint: toolkit %.1f us, pixel by pixel %.1f us\n",
              image.bitmap.width, image.bitmap.height, ours * 1e6, pixels * 1e6);
  std::printf("image_paint_vs_pixels: %.1f\n", pixels / ours);
  return 0;
}
