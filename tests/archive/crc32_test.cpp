// CRC-32: known check values, and every routine against a bit-at-a-time reference over many
// lengths and alignments (the folding routines take different paths by length).

#include "archive/crc32.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// The register updated one bit at a time with the reflected polynomial, straight from the
// definition, sharing nothing with the table and folding code.
uint32_t bitwiseCrc(uint32_t crc, const uint8_t* data, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    crc ^= data[i];
    for (int b = 0; b < 8; ++b)
      crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return crc;
}

uint32_t crcOf(const std::string& s) {
  return ~updateCrc(0xFFFFFFFF, reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

struct Vector {
  std::string text;
  uint32_t crc;
};

class KnownVectors : public ::testing::TestWithParam<Vector> {};

TEST_P(KnownVectors, MatchPublishedValues) {
  EXPECT_EQ(crcOf(GetParam().text), GetParam().crc);
}

INSTANTIATE_TEST_SUITE_P(Crc32, KnownVectors,
                         ::testing::Values(Vector{"", 0x00000000u}, Vector{"a", 0xE8B7BE43u},
                                           Vector{"123456789", 0xCBF43926u},
                                           Vector{"The quick brown fox jumps over the lazy dog",
                                                  0x414FA339u}));

std::vector<uint8_t> randomBytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> v(n);
  for (auto& b : v)
    b = uint8_t(rng());
  return v;
}

TEST(Crc32, BuildTableIsRepeatable) {
  buildCrcTable();
  buildCrcTable();
  EXPECT_EQ(crcOf("123456789"), 0xCBF43926u);
}

// Lengths around every threshold of the folding routines (16, 64, 256, 512 bytes) and odd ones,
// at every alignment within 16 bytes, with a running register carried in.
TEST(Crc32, AllRoutinesMatchBitwiseReference) {
  std::vector<uint8_t> data = randomBytes(70000, 1);
  std::vector<size_t> lengths;
  for (size_t n = 0; n <= 1100; ++n)
    lengths.push_back(n);
  for (size_t n : {4095u, 4096u, 4097u, 32768u, 65535u, 69000u})
    lengths.push_back(n);
  for (size_t n : lengths) {
    for (size_t offset = 0; offset < 16; offset += (n > 1100 ? 5 : 3)) {
      if (offset + n > data.size()) continue;
      const uint8_t* p = data.data() + offset;
      uint32_t start = 0x12345678u ^ uint32_t(n);
      uint32_t expected = bitwiseCrc(start, p, n);
      ASSERT_EQ(updateCrc(start, p, n), expected) << "length " << n << " offset " << offset;
      ASSERT_EQ(updateCrcPortable(start, p, n), expected) << "length " << n << " offset " << offset;
    }
  }
}

// Feeding a buffer in pieces gives the same register as feeding it at once.
TEST(Crc32, PiecesAddUp) {
  std::vector<uint8_t> data = randomBytes(100000, 2);
  uint32_t whole = updateCrc(0xFFFFFFFF, data.data(), data.size());
  std::mt19937 rng(3);
  uint32_t crc = 0xFFFFFFFF;
  for (size_t pos = 0; pos < data.size();) {
    size_t n = std::min<size_t>(rng() % 3000, data.size() - pos);
    crc = updateCrc(crc, data.data() + pos, n);
    pos += n;
  }
  EXPECT_EQ(crc, whole);
  EXPECT_EQ(~whole, ~bitwiseCrc(0xFFFFFFFF, data.data(), data.size()));
}

} // namespace
