#pragma once
// Windowless components: rectangles of the owner window's client area that
// the owner paints on every WM_PAINT. tImage draws a bitmap of the program's
// resources, stretched to its rectangle, with one colour of the picture (its
// top-left pixel's) shown in the system's button-face colour so that a
// picture with a plain background blends into the window.
#include "formless/component.h"
#include "formless/gdi.h"

#include <windows.h>

#include <cstdint>
#include <string_view>

// A picture held in a memory device context.
struct tBitmapRec {
  SelectedBitmap picture; // the bitmap, selected into its context
  int32_t width = 0;
  int32_t height = 0;
  COLORREF keyColor = CLR_INVALID; // shown as the button face; CLR_INVALID: none

  HDC dc() const { return picture.dc(); }
};

// The bitmap resource name (or MAKEINTRESOURCEA(id)) of the program's own
// module; its top-left pixel's colour becomes the key colour. A resource that
// cannot be loaded gives an empty record: no context, size 0 x 0.
tBitmapRec loadBitmapRec(LPCSTR name);

// The same from the bytes of a .bmp file (an uncompressed device-independent
// bitmap): the picture LoadBitmap would make of them as a bitmap resource.
// Bytes that are not such a file give an empty record.
tBitmapRec bitmapRecFromBmp(std::string_view file);

class tGraphicComponent : public tComponent {
public:
  // Takes the bounds and the owner's next identifier; the owner keeps it among its
  // graphics.
  tGraphicComponent(tOwner& owner, const tRect& bounds);

  // Draws the component onto dc, a context of the owner's whole client area.
  virtual void paint(HDC dc);

  static const tMessageTable messages;
  const tMessageTable& messageTable() const override { return messages; }

private:
  void wmPaint(tMessageRec& rec); // never called: there is no window
  static const tMessageMethod methods[];
};

class tImage : public tGraphicComponent {
public:
  // An empty width or height in bounds takes the picture's own.
  tImage(tOwner& owner, const tRect& bounds, tBitmapRec picture);

  // The picture stretched to the bounds; with a key colour, every pixel of
  // exactly that colour in the button-face colour read now.
  void paint(HDC dc) override;

  tBitmapRec bitmap;
  int32_t drawWidth = 0;
  int32_t drawHeight = 0;

private:
  // Rebuilds keyed_ for this button-face colour.
  void buildKeyed(COLORREF face);

  // The picture with its key colour replaced, as a 32-bit device-independent
  // bitmap, kept between paints and rebuilt only when the face colour changes.
  SelectedBitmap keyed_;
  uint32_t* keyedPixels_ = nullptr;
  COLORREF keyedFace_ = CLR_INVALID;
};
