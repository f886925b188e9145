// Images: the resource picture, the key colour shown in the button-face
// colour exactly as the pixel-by-pixel painter shows it (at the picture's own
// size and stretched), a .bmp file's bytes loaded as the system loads the same
// picture as a resource, a changed face colour at the next paint, and no GDI
// object left behind by painting or by a whole window's life.
#include "tests/driver/process.h"
#include "tests/driver/screenshot.h"
#include "tests/driver/uidriver.h"
#include "tests/formless/pixelpaint.h"
#include "tests/formless/toolkit.h"

namespace toolkit {
namespace {

using uidriver::Picture;

constexpr COLORREF key = RGB(10, 120, 200);

// A 9 x 7 picture: key colour at the top-left and in its middle, colours one
// step off the key beside it, and a ramp elsewhere.
tBitmapRec makePicture() {
  tBitmapRec rec;
  rec.width = 9;
  rec.height = 7;
  uidriver::WindowDc screen;
  rec.picture =
      SelectedBitmap(OwnedMemoryDc(CreateCompatibleDC(screen.get())),
                     OwnedBitmap(CreateCompatibleBitmap(screen.get(), rec.width, rec.height)));
  for (int y = 0; y < rec.height; ++y)
    for (int x = 0; x < rec.width; ++x)
      SetPixelV(rec.dc(), x, y, RGB(20 * x, 30 * y, 90));
  for (auto [x, y] : {std::pair{0, 0}, {4, 3}, {8, 6}})
    SetPixelV(rec.dc(), x, y, key);
  SetPixelV(rec.dc(), 5, 3, RGB(11, 120, 200));
  SetPixelV(rec.dc(), 3, 3, RGB(10, 120, 201));
  rec.keyColor = GetPixel(rec.dc(), 0, 0);
  return rec;
}

// A black canvas of the window's format, painted by paint.
Picture canvas(int w, int h, const std::function<void(HDC)>& paint) {
  return uidriver::painted(w, h, RGB(0, 0, 0), paint);
}

TEST_F(Toolkit, TheBannerResourceLoadsWithItsBackgroundAsKey) {
  tBitmapRec banner = loadBitmapRec(MAKEINTRESOURCEA(10));
  EXPECT_EQ(banner.width, 112);
  EXPECT_EQ(banner.height, 218);
  EXPECT_EQ(banner.keyColor, GetPixel(banner.dc(), 0, 0));
  tBitmapRec missing = loadBitmapRec(MAKEINTRESOURCEA(999));
  EXPECT_EQ(missing.dc(), nullptr);
  EXPECT_EQ(missing.width, 0);
  auto& image = window->make<tImage>(makeBounds(5, 6, 0, 0), std::move(banner));
  EXPECT_EQ(image.drawWidth, 112) << "an empty rectangle takes the picture's size";
  EXPECT_EQ(image.drawHeight, 218);
  auto& half = window->make<tImage>(makeBounds(0, 0, 30, 0), loadBitmapRec(MAKEINTRESOURCEA(10)));
  EXPECT_EQ(half.drawWidth, 30);
  EXPECT_EQ(half.drawHeight, 218) << "empty in one direction only";
}

TEST_F(Toolkit, KeyedImagesMatchThePixelByPixelPainter) {
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  struct Case {
    const char* what;
    tRect bounds;
    bool keyed;
  };
  for (const Case& c : {Case{"own size", makeBounds(3, 2, 0, 0), true},
                        Case{"stretched", makeBounds(1, 1, 31, 22), true},
                        Case{"shrunk", makeBounds(0, 0, 4, 3), true},
                        Case{"no key", makeBounds(2, 2, 20, 9), false}}) {
    tBitmapRec picture = makePicture();
    if (!c.keyed) picture.keyColor = CLR_INVALID;
    auto& image = window->make<tImage>(c.bounds, std::move(picture));
    Picture ours = canvas(40, 30, [&](HDC dc) { image.paint(dc); });
    // Without a key colour no pixel is keyed: the painter copies them all.
    Picture oracle = canvas(40, 30, [&](HDC dc) { paintPixelByPixel(dc, image); });
    EXPECT_EQ(ours, oracle) << c.what;
    if (c.what == std::string("own size")) {
      EXPECT_EQ(ours.colorAt(3, 2), face);
      EXPECT_EQ(ours.colorAt(3 + 4, 2 + 3), face) << "inside the picture too";
      EXPECT_EQ(ours.colorAt(3 + 5, 2 + 3), RGB(11, 120, 200)) << "no tolerance";
    }
  }
}

TEST_F(Toolkit, TheWindowShowsItsImageAndAChangedFaceColourAtTheNextPaint) {
  auto& image = window->make<tImage>(makeBounds(12, 8, 18, 14), makePicture());
  window->createControls();
  auto shownAndExpected = [&] {
    InvalidateRect(window->handle, nullptr, TRUE);
    UpdateWindow(window->handle);
    Picture shown = uidriver::captureClient(window->handle).crop(12, 8, 18, 14);
    Picture expected = canvas(40, 30, [&](HDC dc) { paintPixelByPixel(dc, image); });
    return std::pair{shown, expected.crop(12, 8, 18, 14)};
  };
  auto [before, expectedBefore] = shownAndExpected();
  EXPECT_EQ(before, expectedBefore);

  int element = COLOR_BTNFACE;
  COLORREF old = GetSysColor(COLOR_BTNFACE);
  COLORREF changed = RGB(250, 200, 40);
  ASSERT_TRUE(SetSysColors(1, &element, &changed));
  drain();
  auto [after, expectedAfter] = shownAndExpected();
  SetSysColors(1, &element, &old);
  drain();
  EXPECT_EQ(after, expectedAfter);
  EXPECT_EQ(after.colorAt(0, 0), changed);
  EXPECT_NE(after, before);
}

TEST_F(Toolkit, NoGdiObjectOutlivesPaintingOrTheWindow) {
  // The counter itself must see objects come and go.
  int base = gdiObjectCount();
  OwnedBrush probe(CreateSolidBrush(RGB(1, 2, 3)));
  EXPECT_EQ(gdiObjectCount(), base + 1);
  probe.reset();
  EXPECT_EQ(gdiObjectCount(), base);

  auto lifetime = [&](int paints) {
    open("Leak test", 420, 300);
    window->make<tImage>(makeBounds(0, 0, 0, 0), loadBitmapRec(MAKEINTRESOURCEA(10)));
    auto& label = window->make<tLabel>(makeBounds(120, 10, 200, 20), "label");
    label.setFont({"Arial", 14, 0, true, false});
    label.transparent = true;
    auto& box = window->make<tChecklistBox>(makeBounds(120, 40, 200, 80));
    box.setItems({"one", "two", "three"});
    window->make<tButton>(makeBounds(120, 200, 70, 24), "OK", tButtonKind::defaultPush);
    window->createControls();
    int first = -1;
    for (int i = 0; i < paints; ++i) {
      RedrawWindow(window->handle, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
      drain();
      if (i == 0) first = gdiObjectCount();
    }
    int last = gdiObjectCount();
    window->cleanup();
    window.reset();
    drain();
    return std::pair{first, last};
  };
  window.reset();
  lifetime(1); // the system's own caches fill on the first window
  int before = gdiObjectCount();
  auto [afterOnePaint, afterAllPaints] = lifetime(200);
  int after = gdiObjectCount();
  EXPECT_EQ(afterAllPaints, afterOnePaint) << "painting 200 times";
  EXPECT_EQ(after, before) << "a whole window's life";
  std::printf("GDI objects: %d before the window, %d after its first paint, %d after 200 "
              "paints, %d after it is gone\n",
              before, afterOnePaint, afterAllPaints, after);
  window = std::make_unique<TestProgram>(); // for TearDown
  appWindow = window.get();
}

TEST_F(Toolkit, ABmpFileLoadsAsTheSystemLoadsItAsAResource) {
  const std::string bmp = uidriver::readFile(
      uidriver::windowsPath(std::string(TEST_SOURCE_DIR) + "/../resources/side.bmp"));
  ASSERT_EQ(bmp.size(), 73302u);
  tBitmapRec file = bitmapRecFromBmp(bmp);
  tBitmapRec resource = loadBitmapRec(MAKEINTRESOURCEA(10)); // the same picture
  ASSERT_EQ(file.width, 112);
  ASSERT_EQ(file.height, 218);
  EXPECT_EQ(file.keyColor, resource.keyColor);
  EXPECT_EQ(uidriver::capture(file.dc(), 0, 0, 112, 218),
            uidriver::capture(resource.dc(), 0, 0, 112, 218));

  // BITMAPFILEHEADER: "BM" at 0, the pixels' offset at 10; BITMAPINFOHEADER
  // from 14: its size, width at 18, height at 22, planes at 26, bits per
  // pixel at 28, compression at 30, colours used at 46.
  auto changed = [&](size_t at, uint32_t value, int bytes) {
    std::string out = bmp;
    for (int i = 0; i < bytes; ++i)
      out[at + i] = char(value >> 8 * i & 0xFF);
    return out;
  };
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case damaged[] = {
      {"no BM", changed(0, 'B' | 'A' << 8, 2)},
      {"a core header", changed(14, 12, 4)},
      {"no width", changed(18, 0, 4)},
      {"no height", changed(22, 0, 4)},
      {"two planes", changed(26, 2, 2)},
      {"three bits per pixel", changed(28, 3, 2)},
      {"run-length compressed", changed(30, 1, 4)},
      {"a colour table of 1000", changed(46, 1000, 4)},
      {"pixels past the end", changed(10, 60, 4)},
      {"offset past the end", changed(10, 80000, 4)},
      {"one byte short", bmp.substr(0, bmp.size() - 1)},
      {"headers cut", bmp.substr(0, 40)},
  };
  for (const Case& c : damaged) {
    tBitmapRec rec = bitmapRecFromBmp(c.bytes);
    EXPECT_EQ(rec.dc(), nullptr) << c.what;
    EXPECT_EQ(rec.width, 0) << c.what;
  }
}

} // namespace
} // namespace toolkit
