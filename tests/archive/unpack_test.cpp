// Expanding a deflated block in memory: the program's packed side panel
// expands to the artwork byte for byte, and a damaged, cut or oversized
// stream gives nothing.
#include "archive/unpack.h"
#include "tests/archive/zipkit.h"

#include <gtest/gtest.h>

namespace {

using namespace zipkit;

#ifndef _WIN32
// The artwork of the source tree, read on the host.
const std::string resources = std::string(TEST_SOURCE_DIR) + "/../resources/";

TEST(Unpack, ThePackedPanelIsTheArtwork) {
  const std::string bmp = readFile(resources + "side.bmp");
  const std::string packed = readFile(resources + "side.bmp.deflate");
  ASSERT_EQ(bmp.size(), 73302u) << "112 x 218 pixels of 24 bits with their headers";
  ASSERT_LT(packed.size(), bmp.size() / 3);
  EXPECT_TRUE(inflateBytes(packed, bmp.size()) == bmp)
      << "rerun scripts/make-artwork.py after changing side.bmp";
}
#endif

TEST(Unpack, DamagedStreamsGiveNothing) {
  const std::string data = noise(70000, 7) + std::string(5000, 'a');
  const std::string stored = storedDeflate(data, 30000);
  std::string badType = stored;
  badType[0] = char(0x07); // last block, type 3: reserved
  std::string badLength = stored;
  badLength[3] = char(badLength[3] ^ 1); // a stored length that disagrees with its complement
  struct Case {
    const char* what;
    std::string stream;
    size_t limit;
    std::string expected;
  };
  const Case cases[] = {
      {"whole", stored, data.size(), data},
      {"one byte over the limit", stored, data.size() - 1, ""},
      {"cut in the last block", stored.substr(0, stored.size() - 10), data.size(), ""},
      {"cut after the first block", stored.substr(0, 30005), data.size(), ""},
      {"reserved block type", badType, data.size(), ""},
      {"stored length and complement differ", badLength, data.size(), ""},
      {"empty", "", data.size(), ""},
  };
  for (const Case& c : cases)
    EXPECT_TRUE(inflateBytes(c.stream, c.limit) == c.expected) << c.what;
}

} // namespace
