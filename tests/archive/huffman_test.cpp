// Huffman table builders: the results of code sets, the shape of the reference tables, and the
// fast tables against the reference tables for every bit pattern of random code sets.

#include "archive/huffman.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

struct ShapeCase {
  const char* name;
  std::vector<uint16_t> lengths;
  int result;
  bool empty;
};

class Shapes : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(Shapes, GiveTheirResult) {
  const ShapeCase& c = GetParam();
  CodeShape s = shapeCodes(c.lengths.data(), int(c.lengths.size()), 9);
  EXPECT_EQ(s.result, c.result);
  EXPECT_EQ(s.empty, c.empty);
  HuffmanTable t;
  EXPECT_EQ(t.build(c.lengths.data(), int(c.lengths.size()), distanceSymbols, 9), c.result);
  EXPECT_EQ(t.empty(), c.empty || c.result == huffBad);
}

INSTANTIATE_TEST_SUITE_P(
    Huffman, Shapes,
    ::testing::Values(ShapeCase{"Complete", {2, 2, 2, 3, 3}, huffComplete, false},
                      ShapeCase{"Incomplete", {2, 2, 3}, huffIncomplete, false},
                      ShapeCase{"OneBitSingleIsComplete", {0, 1, 0}, huffComplete, false},
                      ShapeCase{"TwoBitSingleIsIncomplete", {0, 2, 0}, huffIncomplete, false},
                      ShapeCase{"Oversubscribed", {1, 1, 2}, huffBad, false},
                      ShapeCase{"LengthAbove16", {1, 17}, huffBad, false},
                      ShapeCase{"AllZero", {0, 0, 0, 0}, huffComplete, true}),
    [](const auto& i) { return std::string(i.param.name); });

TEST(Huffman, LookupBitsAreBoundedByShortestAndLongest) {
  std::vector<uint16_t> shortCodes = {1, 2, 3, 3};
  EXPECT_EQ(shapeCodes(shortCodes.data(), 4, 9).lookupBits, 3);
  std::vector<uint16_t> longCodes(1024, 10);
  EXPECT_EQ(shapeCodes(longCodes.data(), 1024, 6).lookupBits, 10);
}

// Codes 0 (1 bit), 10, 110 and 11100 to 11111 with 2 first-level bits: the first-level table
// links prefix 11 to a 2-bit table, whose pattern 1 (after 11: "111") links to 1-bit tables.
// The first sub-table gets 2 bits because one code of 3 bits leaves room that 5-bit codes fill.
TEST(Huffman, ReferenceTablesAreBuiltLevelByLevel) {
  std::vector<uint16_t> lengths = {1, 2, 3, 5, 5, 5, 5};
  HuffmanTable t;
  ASSERT_EQ(t.build(lengths.data(), 7, distanceSymbols, 2), huffComplete);
  EXPECT_EQ(t.lookupBits(), 2);
  auto at = [&](uint32_t i) { return t.entry(i); };
  EXPECT_EQ(at(0).value, 1); // distance code 0: base 1
  EXPECT_EQ(at(0).bits, 1);
  EXPECT_EQ(at(2).value, 1);
  EXPECT_EQ(at(1).value, 2); // code 1, "10"
  ASSERT_EQ(at(3).operation, opLiteral + 2);
  EXPECT_EQ(at(3).bits, 2);
  uint32_t sub = at(3).next;
  EXPECT_EQ(at(sub + 0).value, 3); // "110": code 2
  EXPECT_EQ(at(sub + 0).bits, 1);
  EXPECT_EQ(at(sub + 2).value, 3);
  ASSERT_EQ(at(sub + 1).operation, opLiteral + 1); // "111" then one bit
  ASSERT_EQ(at(sub + 3).operation, opLiteral + 1);
  EXPECT_EQ(at(sub + 1).bits, 2);
  uint32_t left = at(sub + 1).next, right = at(sub + 3).next;
  // "11100" and "11101": codes 3 and 4 (bases 4 and 5); "11110", "11111": codes 5, 6 (7 and 9)
  EXPECT_EQ(at(left).value, 4);
  EXPECT_EQ(at(left + 1).value, 5);
  EXPECT_EQ(at(right).value, 7);
  EXPECT_EQ(at(right + 1).value, 9);
  EXPECT_EQ(at(right + 1).operation, 2); // two extra bits
}

// Random code sets from random binary trees (complete) with some leaves dropped (incomplete).
std::vector<uint16_t> randomLengths(std::mt19937& rng, int symbols, int leaves, int dropped) {
  std::vector<int> depth = {0};
  while (int(depth.size()) < leaves) {
    size_t i = rng() % depth.size();
    if (depth[i] >= 15) continue;
    int d = ++depth[i];
    depth.push_back(d);
  }
  std::shuffle(depth.begin(), depth.end(), rng);
  depth.resize(depth.size() - dropped);
  std::vector<uint16_t> lengths(symbols, 0);
  std::vector<int> order(symbols);
  for (int i = 0; i < symbols; ++i)
    order[i] = i;
  std::shuffle(order.begin(), order.end(), rng);
  for (size_t i = 0; i < depth.size(); ++i)
    lengths[order[i]] = uint16_t(depth[i]);
  return lengths;
}

struct Decoded {
  bool valid;
  int length;
  int operation;
  int value;
  bool operator==(const Decoded&) const = default;
};

Decoded decodeReference(const HuffmanTable& t, uint32_t pattern) {
  int used = 0;
  int bits = t.lookupBits();
  HuffEntry e = t.entry(pattern & ((1u << bits) - 1));
  while (e.operation > opLiteral) {
    if (e.operation == opInvalid) return {false, 0, 0, 0};
    used += e.bits;
    int n = e.operation - opLiteral;
    e = t.entry(e.next + ((pattern >> used) & ((1u << n) - 1)));
  }
  if (e.operation == opInvalid) return {false, 0, 0, 0};
  return {true, used + e.bits, e.operation, e.value};
}

Decoded decodeFast(const std::vector<uint32_t>& table, int rootBits, uint32_t pattern) {
  uint32_t e = table[pattern & ((1u << rootBits) - 1)];
  int used = 0;
  if (e & fast::link) {
    used = rootBits;
    e = table[(e >> 16) + ((pattern >> rootBits) & ((1u << ((e >> 8) & 0xF)) - 1))];
  }
  if ((e & fast::special) && !(e & fast::endOfBlock)) return {false, 0, 0, 0};
  if (e & fast::literal) return {true, used + int(e & 0xFF), opLiteral, int((e >> 16) & 0xFF)};
  if (e & fast::endOfBlock) return {true, used + int(e & 0xFF), opEndOfBlock, 256};
  int codeBits = (e >> 8) & 0xF;
  return {true, used + codeBits, int(e & 0xFF) - codeBits, int(e >> 16)};
}

// Every 15-bit pattern decodes to the same symbol, length and validity through both tables.
void compareTables(const std::vector<uint16_t>& lengths, const SymbolKind& kind, int wanted,
                   int rootBits) {
  HuffmanTable reference;
  int result = reference.build(lengths.data(), int(lengths.size()), kind, wanted);
  ASSERT_LE(result, huffIncomplete);
  std::vector<uint32_t> table(fast::literalTableSize);
  buildFastTable(lengths.data(), int(lengths.size()),
                 shapeCodes(lengths.data(), int(lengths.size()), wanted), kind, rootBits,
                 table.data());
  for (uint32_t pattern = 0; pattern < (1u << 15); ++pattern) {
    Decoded r = decodeReference(reference, pattern), f = decodeFast(table, rootBits, pattern);
    ASSERT_EQ(r.valid, f.valid) << "pattern " << pattern;
    if (r.valid) {
      ASSERT_TRUE(r == f) << "pattern " << pattern;
    }
  }
}

TEST(Huffman, FastTablesAgreeWithReferenceOnCompleteSets) {
  std::mt19937 rng(1);
  for (int round = 0; round < 40; ++round) {
    std::vector<uint16_t> lengths = randomLengths(rng, 286, 20 + int(rng() % 266), 0);
    compareTables(lengths, literalLengthSymbols, 9, fast::literalRootBits);
  }
}

TEST(Huffman, FastTablesAgreeWithReferenceOnIncompleteDistanceSets) {
  std::mt19937 rng(2);
  for (int round = 0; round < 60; ++round) {
    int leaves = 2 + int(rng() % 30);
    std::vector<uint16_t> lengths = randomLengths(rng, 32, leaves, int(rng() % (leaves - 1)));
    compareTables(lengths, distanceSymbols, 6, fast::distanceRootBits);
  }
}

TEST(Huffman, FixedCodesAgree) {
  std::vector<uint16_t> literals(288, 8);
  std::fill(literals.begin() + 144, literals.begin() + 256, uint16_t(9));
  std::fill(literals.begin() + 256, literals.begin() + 280, uint16_t(7));
  compareTables(literals, literalLengthSymbols, 7, fast::literalRootBits);
  compareTables(std::vector<uint16_t>(30, 5), distanceSymbols, 5, fast::distanceRootBits);
}

} // namespace
