// Huffman table builders: the reference tables (canonical level-by-level build) and the packed
// fast tables.

#include "archive/huffman.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <new>

namespace {

// RFC 1951, 3.2.5: lengths of codes 257 to 285; 286 and 287 exist in the fixed code but are
// invalid (extra 99).
constexpr uint16_t lengthBase[31] = {3,  4,   5,   6,   7,   8,   9,   10, 11, 13, 15,
                                     17, 19,  23,  27,  31,  35,  43,  51, 59, 67, 83,
                                     99, 115, 131, 163, 195, 227, 258, 0,  0};
constexpr uint16_t lengthExtra[31] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,  2, 2,
                                      3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0, 99, 99};
// Distances of codes 0 to 29; codes 30 and 31 have none.
constexpr uint16_t distanceBase[30] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint16_t distanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                        6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

uint32_t lowMask(int n) {
  return (uint32_t(1) << n) - 1;
}

// Next code of the same length in bit-reversed order (the first bit read is bit 0): the carry
// lands on the highest 0 among the code's bits and clears the 1s above it. Without a branch per
// bit, whose outcome follows the codes and is hard to predict. After the last code (all 1s) it
// gives 0.
uint32_t nextReversed(uint32_t code, int length) {
  uint32_t zeros = ~code & lowMask(length);
  uint32_t carry = std::bit_floor(zeros);
  return zeros != 0 ? (code & (carry - 1)) | carry : 0;
}

// Symbols in canonical order: by length, then by value. Returns how many have a code; the symbols
// without one follow them (sorted holds count entries), which spares a branch per symbol.
int sortSymbols(const uint16_t* lengths, int count, const uint16_t* lengthCount, uint16_t* sorted) {
  uint16_t offset[17];
  offset[1] = 0;
  for (int k = 1; k < 16; ++k)
    offset[k + 1] = uint16_t(offset[k] + lengthCount[k]);
  offset[0] = uint16_t(offset[16] + lengthCount[16]);
  for (int s = 0; s < count; ++s)
    sorted[offset[lengths[s]]++] = uint16_t(s);
  return offset[16];
}

HuffEntry referenceEntry(int symbol, int count, const SymbolKind& kind, int bits) {
  HuffEntry e{opInvalid, uint8_t(bits), 0, 0};
  if (symbol >= count) return e; // a filler of an incomplete set
  if (symbol < kind.simpleCount) {
    e.operation = symbol < 256 ? opLiteral : opEndOfBlock;
    e.value = uint16_t(symbol);
  } else if (symbol - kind.simpleCount < kind.listCount) {
    e.operation = uint8_t(kind.extra[symbol - kind.simpleCount]);
    e.value = kind.base[symbol - kind.simpleCount];
  }
  return e;
}

constexpr uint32_t fastEntry(int symbol, const SymbolKind& kind, int bits) {
  if (symbol < kind.simpleCount) {
    if (symbol < 256) return fast::makeLiteral(uint32_t(symbol), uint32_t(bits));
    return fast::makeEndOfBlock(uint32_t(bits));
  }
  int index = symbol - kind.simpleCount;
  if (index >= kind.listCount || kind.extra[index] > 13) return fast::invalid;
  return fast::makeLengthOrDistance(kind.base[index], uint32_t(bits), kind.extra[index]);
}

// The entries of the symbols past the literal bytes, worked out once. With them a table is filled
// without a branch on each symbol's kind, whose outcome follows the canonical order and is hard to
// predict.
constexpr int byteSymbols(const SymbolKind& kind) {
  return std::min(kind.simpleCount, 256);
}

constexpr std::array<FastRecipe, 32> fastRecipes(const SymbolKind& kind) {
  std::array<FastRecipe, 32> recipes{};
  for (int i = 0; i < 32; ++i) {
    int symbol = byteSymbols(kind) + i;
    uint32_t none = fastEntry(symbol, kind, 0);
    recipes[size_t(i)] = {none, fastEntry(symbol, kind, 1) - none};
  }
  return recipes;
}

constexpr auto literalLengthRecipes =
    fastRecipes(SymbolKind{257, lengthBase, lengthExtra, 31, nullptr});
constexpr auto distanceRecipes =
    fastRecipes(SymbolKind{0, distanceBase, distanceExtra, 30, nullptr});

// A symbol's entry: a literal byte's made on the spot, any other's from its recipe.
uint32_t recipeEntry(const SymbolKind& kind, int symbol, int bits) {
  int bytes = byteSymbols(kind);
  const FastRecipe& listed = kind.fastRecipes[std::max(symbol - bytes, 0)];
  bool isByte = symbol < bytes;
  uint32_t base = isByte ? fast::makeLiteral(uint32_t(symbol), 0) : listed.base;
  uint32_t perBit = isByte ? 1 : listed.perBit;
  return base + uint32_t(bits) * perBit;
}

} // namespace

const SymbolKind literalLengthSymbols{257, lengthBase, lengthExtra, 31,
                                      literalLengthRecipes.data()};
const SymbolKind distanceSymbols{0, distanceBase, distanceExtra, 30, distanceRecipes.data()};
const SymbolKind codeLengthSymbols{19, nullptr, nullptr, 0, nullptr};

CodeShape shapeCodes(const uint16_t* lengths, int count, int wantedLookupBits) {
  CodeShape s;
  for (int i = 0; i < count; ++i) {
    if (lengths[i] > 16) {
      s.result = huffBad;
      return s;
    }
    ++s.count[lengths[i]];
  }
  if (s.count[0] == count) {
    s.empty = true;
    return s;
  }
  s.shortest = 1;
  while (s.count[s.shortest] == 0)
    ++s.shortest;
  s.longest = 16;
  while (s.count[s.longest] == 0)
    --s.longest;
  s.lookupBits = std::clamp(wantedLookupBits, s.shortest, s.longest);
  // Free patterns, counted in units of the current length, from 2^shortest down.
  int left = 1 << s.shortest;
  for (int k = s.shortest; k < s.longest; ++k) {
    left -= s.count[k];
    if (left < 0) {
      s.result = huffBad;
      return s;
    }
    left <<= 1;
  }
  left -= s.count[s.longest];
  if (left < 0) {
    s.result = huffBad;
    return s;
  }
  s.fillers = left;
  s.result = (left != 0 && s.longest != 1) ? huffIncomplete : huffComplete;
  return s;
}

bool HuffmanTable::reserve(size_t entries) {
  if (entries <= capacity_) return true;
  size_t grown = std::max(entries, capacity_ * 2);
  std::unique_ptr<HuffEntry[]> bigger(new (std::nothrow) HuffEntry[grown]);
  if (!bigger) return false;
  if (used_ != 0) std::memcpy(bigger.get(), store_.get(), used_ * sizeof(HuffEntry));
  store_ = std::move(bigger);
  capacity_ = grown;
  return true;
}

uint32_t HuffmanTable::allocate(uint32_t entries) {
  uint32_t first = uint32_t(used_);
  std::memset(&store_[first], 0, entries * sizeof(HuffEntry));
  used_ += entries;
  return first;
}

HuffResult HuffmanTable::build(const uint16_t* lengths, int count, const SymbolKind& kind,
                               int wantedLookupBits) {
  return build(lengths, count, kind, shapeCodes(lengths, count, wantedLookupBits));
}

// Tables are made level by level while the codes are taken in canonical order. A table covers one
// prefix of the tables above it; a new one starts when a code is longer than the current chain
// covers, and the builder climbs back once a table's prefix is used up.
HuffResult HuffmanTable::build(const uint16_t* lengths, int count, const SymbolKind& kind,
                               const CodeShape& shape) {
  clear();
  if (shape.result == huffBad || shape.empty) return shape.result;
  uint16_t sorted[320];
  int coded = sortSymbols(lengths, count, shape.count, sorted);
  uint16_t codes[17];
  std::memcpy(codes, shape.count, sizeof codes);
  codes[shape.longest] = uint16_t(codes[shape.longest] + shape.fillers);
  // The end-of-block code ends a table exactly, so that a short final read stays within the data.
  int endLimit = count > 256 ? lengths[256] : 16;
  int lookup = shape.lookupBits;

  struct Level {
    int bits;        // index bits of the table
    int above;       // bits used by the tables above it
    uint32_t prefix; // the low `above` bits of every code in it
    uint32_t first;  // index of its first entry
  } level[17];
  int h = -1;        // current level
  int above = 0;     // bits used by the tables above the current one
  int tableBits = 0; // index bits of the current table
  uint32_t code = 0; // current code, bit-reversed
  int next = 0;      // position in the canonical order; past `coded` come the fillers

  for (int k = shape.shortest; k <= shape.longest; ++k) {
    for (int left = codes[k]; left > 0; --left) {
      while (k > above + tableBits) {
        above += tableBits;
        ++h;
        int j = k - above;
        int limit = std::min(shape.longest - above, lookup);
        int free = (1 << j) - left; // patterns of a j-bit table left for longer codes
        if (free > 0) {
          for (++j; j < limit; ++j) {
            free <<= 1;
            if (codes[above + j] >= free) break;
            free -= codes[above + j];
          }
        }
        if (above < endLimit && endLimit < above + j) j = endLimit - above;
        if (h == 0) j = lookup;
        if (!reserve(used_ + (size_t(1) << j))) {
          clear();
          return huffNoMemory;
        }
        level[h] = {j, above, code & lowMask(above), allocate(uint32_t(1) << j)};
        if (h > 0) {
          const Level& parent = level[h - 1];
          uint32_t slot = (code >> parent.above) & lowMask(parent.bits);
          store_[parent.first + slot] = {uint8_t(opLiteral + j), uint8_t(parent.bits), 0,
                                         level[h].first};
        }
        tableBits = j;
      }
      int symbol = next < coded ? sorted[next] : count;
      ++next;
      HuffEntry e = referenceEntry(symbol, count, kind, k - above);
      for (uint32_t slot = code >> above; slot < (uint32_t(1) << tableBits);
           slot += 1u << (k - above))
        store_[level[h].first + slot] = e;
      code = nextReversed(code, k);
      while ((code & lowMask(above)) != level[h].prefix) {
        --h;
        above = level[h].above;
        tableBits = level[h].bits;
      }
    }
  }
  lookupBits_ = lookup;
  return shape.result;
}

void buildFastTable(const uint16_t* lengths, int count, const CodeShape& shape,
                    const SymbolKind& kind, int rootBits, uint32_t* table) {
  const uint32_t rootSize = uint32_t(1) << rootBits;
  const uint16_t* codes = shape.count; // codes of each length
  const int longest = shape.longest;
  // Patterns that no code covers decode as invalid; a complete set covers them all.
  const bool complete = shape.fillers == 0;
  uint16_t sorted[320];
  sortSymbols(lengths, count, codes, sorted);
  const uint16_t* symbol = sorted; // the next code's symbol, in canonical order
  uint32_t code = 0; // bit-reversed canonical code; appending zero bits leaves its value alone
  // The first level is filled length by length: while the codes of one length are entered, only
  // its first 2^length patterns exist, and each code takes one of them. Before a longer length,
  // the patterns so far are repeated once; a pattern that no shorter code took keeps its copy
  // until a longer code takes it (or stays invalid, in an incomplete set). Taking the codes of one
  // length together spares a test of each code's length and a count kept in memory per code.
  uint32_t filled = 1; // patterns of the first level that exist so far
  table[0] = fast::invalid;
  auto growTo = [&](uint32_t size) {
    for (; filled < size; filled *= 2)
      std::memcpy(table + filled, table, filled * sizeof *table);
  };
  int k = 1;
  for (; k <= rootBits; ++k) {
    if (codes[k] == 0) continue;
    growTo(uint32_t(1) << k);
    for (int n = codes[k]; n > 0; --n) {
      table[code] = recipeEntry(kind, *symbol++, k);
      code = nextReversed(code, k);
    }
  }
  growTo(rootSize);
  uint32_t nextFree = rootSize, subFirst = 0, subPrefix = ~0u;
  for (; k <= longest; ++k) {
    int rest = k - rootBits;
    for (int n = codes[k]; n > 0; --n) { // n: codes of this length not placed yet
      if ((code & (rootSize - 1)) != subPrefix) {
        // A new prefix: its sub-table needs as many bits as it takes the codes from this one on
        // to fill the prefix's patterns (or up to the longest code, for an incomplete set).
        subPrefix = code & (rootSize - 1);
        int bits = rest;
        for (int room = (1 << bits) - n; room > 0 && rootBits + bits < longest;) {
          ++bits;
          room = 2 * room - codes[rootBits + bits];
        }
        subFirst = nextFree;
        nextFree += uint32_t(1) << bits;
        if (!complete) std::fill(table + subFirst, table + nextFree, fast::invalid);
        table[subPrefix] = fast::makeLink(subFirst, uint32_t(bits), uint32_t(rootBits));
      }
      uint32_t entry = recipeEntry(kind, *symbol++, rest);
      uint32_t subSize = nextFree - subFirst;
      for (uint32_t slot = code >> rootBits; slot < subSize; slot += 1u << rest)
        table[subFirst + slot] = entry;
      code = nextReversed(code, k);
    }
  }
}
