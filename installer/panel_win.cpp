#include "installer/panel.h"

#include "archive/unpack.h"

#include <string>

namespace {

constexpr int panelId = 10;
// Far more than any side panel needs (112 x 218 pixels of 24 bits: 73 KB);
// damaged data never has the program allocate without end.
constexpr size_t panelLimit = size_t{4} << 20;

} // namespace

tBitmapRec loadPanelPicture() {
  HRSRC packed = FindResourceA(nullptr, MAKEINTRESOURCEA(panelId), RT_RCDATA);
  if (!packed) return loadBitmapRec(MAKEINTRESOURCEA(panelId));
  HGLOBAL loaded = LoadResource(nullptr, packed);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return {};
  std::string bmp = inflateBytes(
      std::string_view(static_cast<const char*>(bytes), SizeofResource(nullptr, packed)),
      panelLimit);
  return bitmapRecFromBmp(bmp);
}
