#pragma once
// Huffman decode tables of the inflate decoder, built from a code-length list in two forms.
//
// HuffmanTable holds the decoder's reference tables: a first-level table indexed by "lookup bits"
// bits of input and linked sub-tables for longer codes, shaped exactly as the canonical builder of
// the format's reference decoder shapes them. The exact decoding path asks the bit reader for as
// many bits as each level's table uses, and when an input block is read depends on those counts
// (input limits and message pumping are visible to callers), so the table shapes are fixed here.
//
// The fast tables are packed 32-bit entries with wider first levels for the fast decoding loop.
// There only the symbol that each bit pattern decodes to matters.

#include <cstddef>
#include <cstdint>
#include <memory>

// Results of building a code set.
enum HuffResult : int {
  huffComplete = 0,   // every bit pattern is a code (also a single code of one bit)
  huffIncomplete = 1, // some patterns are unused; they decode as invalid codes
  huffBad = 2,        // over-subscribed, or a length above 16
  huffNoMemory = 3,   // no memory for a table
};

// Entry of a reference table (tHuffEntry).
struct HuffEntry {
  // 0 to 13: length or distance with this many extra bits, value = base; 15: end of block;
  // 16: literal, value = the byte; 17 to 32: link, the next (operation - 16) bits index the
  // sub-table that starts at next; 99: invalid code.
  uint8_t operation;
  uint8_t bits;   // code bits used at this table level
  uint16_t value; // literal byte, base length or base distance
  uint32_t next;  // link: index of the sub-table's first entry in the table's storage
};

constexpr uint8_t opEndOfBlock = 15;
constexpr uint8_t opLiteral = 16;
constexpr uint8_t opInvalid = 99;

// A symbol's fast table entry as a line in its code's bits: base + bits * perBit (literals and the
// end of block drop the code's bits, lengths and distances also record them, invalid codes drop
// nothing).
struct FastRecipe {
  uint32_t base;
  uint32_t perBit;
};

// How the symbols of a code set are entered: symbols below simpleCount stand for themselves
// (literal, or end of block from 256 on); the others take operation and value from the extra and
// base lists, and symbols past the lists' end are invalid.
struct SymbolKind {
  int simpleCount;
  const uint16_t* base;
  const uint16_t* extra;
  int listCount;
  const FastRecipe* fastRecipes; // from the first symbol past the literal bytes, 32 of them, for
                                 // codes that fast tables are built for
};

extern const SymbolKind
    literalLengthSymbols;                  // 257 simple codes, lengths 3 to 258; 286, 287 invalid
extern const SymbolKind distanceSymbols;   // distances 1 to 32768; 30 and 31 invalid
extern const SymbolKind codeLengthSymbols; // the 19 code-length symbols, all simple

// The counts that decide a code set's result before any table is filled.
struct CodeShape {
  HuffResult result = huffComplete;
  bool empty = false; // every length is 0: nothing to decode with
  uint16_t count[17] = {};
  int shortest = 0;
  int longest = 0;
  int lookupBits = 0; // the wanted first-level bits, bounded by the shortest and longest code
  int fillers = 0;    // unused patterns, entered as extra invalid codes of the longest length
};

// Counts the lengths and checks the code set (builder steps 1 to 4 and its result).
CodeShape shapeCodes(const uint16_t* lengths, int count, int wantedLookupBits);

class HuffmanTable {
public:
  // Builds the tables of a code set (buildHuffman); wantedLookupBits is the first-level size asked
  // for. Returns a HuffResult. Tables are built for complete and incomplete sets only.
  HuffResult build(const uint16_t* lengths, int count, const SymbolKind& kind,
                   int wantedLookupBits);
  // Builds from a shape that shapeCodes made for these lengths.
  HuffResult build(const uint16_t* lengths, int count, const SymbolKind& kind,
                   const CodeShape& shape);

  void clear() { used_ = 0, lookupBits_ = 0; }
  bool empty() const { return used_ == 0; }
  int lookupBits() const { return lookupBits_; }
  const HuffEntry& entry(uint32_t index) const { return store_[index]; } // the first level is at 0

private:
  bool reserve(size_t entries);
  uint32_t allocate(uint32_t entries); // returns the zero-filled table's first index

  std::unique_ptr<HuffEntry[]> store_;
  size_t capacity_ = 0;
  size_t used_ = 0;
  int lookupBits_ = 0;
};

// Fast table entries, 32 bits:
//   bits  0..7   bits to drop: the code's bits at this level, plus the extra bits of a length or
//                distance, so that one shift takes both
//   bits  8..11  the code's bits at this level (the extra bits lie above them); for a link, the
//                sub-table's index bits
//   bit  12      literal; bits 16..23 hold the byte
//   bit  13      special: end of block, link or invalid code; plain entries are lengths and
//                distances with the base in bits 16..31
//   bit  14      link: the sub-table starts at index bits 16..31 (the bits to drop are the
//                first level's)
//   bit  15      end of block
// Entries are made and read only through the functions below.
namespace fast {
constexpr uint32_t literal = 1u << 12;
constexpr uint32_t special = 1u << 13;
constexpr uint32_t link = 1u << 14;
constexpr uint32_t endOfBlock = 1u << 15;
constexpr uint32_t invalid = special; // drops nothing
constexpr int literalRootBits = 11;
constexpr int distanceRootBits = 9;
// Largest tables: a first level plus, per first-level prefix holding longer codes, a sub-table
// sized for the longest of them (at most one prefix per symbol, codes of at most 15 bits).
constexpr size_t literalTableSize = (1u << literalRootBits) + 288 * (1u << (15 - literalRootBits));
constexpr size_t distanceTableSize =
    (1u << distanceRootBits) + 32 * (1u << (15 - distanceRootBits));

constexpr uint32_t makeLiteral(uint32_t byte, uint32_t bits) {
  return literal | byte << 16 | bits;
}
constexpr uint32_t makeEndOfBlock(uint32_t bits) {
  return special | endOfBlock | bits;
}
constexpr uint32_t makeLengthOrDistance(uint32_t base, uint32_t codeBits, uint32_t extraBits) {
  return base << 16 | codeBits << 8 | (codeBits + extraBits);
}
constexpr uint32_t makeLink(uint32_t first, uint32_t subBits, uint32_t rootBits) {
  return special | link | first << 16 | subBits << 8 | rootBits;
}

constexpr bool isLiteral(uint32_t e) {
  return e & literal;
}
// End of block, link or invalid code.
constexpr bool isSpecial(uint32_t e) {
  return e & special;
}
constexpr bool isLink(uint32_t e) {
  return e & link;
}
constexpr bool isEndOfBlock(uint32_t e) {
  return e & endOfBlock;
}
// A pattern that is no code (special, neither end of block nor link).
constexpr bool isInvalid(uint32_t e) {
  return (e & (special | link | endOfBlock)) == special;
}
constexpr uint32_t dropBits(uint32_t e) {
  return e & 0xFF;
}
constexpr uint32_t codeBits(uint32_t e) {
  return (e >> 8) & 0xF;
}
constexpr uint8_t literalByte(uint32_t e) {
  return uint8_t(e >> 16);
}
// Base length or distance of a plain entry; first index of a link's sub-table.
constexpr uint32_t base(uint32_t e) {
  return e >> 16;
}
// Bits of the code itself in an entry for a symbol (not a link): a literal's or end of block's
// entry drops just the code, a length's or distance's also its extra bits.
constexpr uint32_t symbolCodeBits(uint32_t e) {
  return isLiteral(e) || isEndOfBlock(e) ? dropBits(e) : codeBits(e);
}
// The value of a length's or distance's extra bits, from the bits as they were before the drop. A
// code and its extra bits take at most 28 bits, so 32-bit arithmetic holds them (one register on
// a 32-bit processor). In such an entry bit 12 is clear, so the shift may take bits 8 to 12 whole:
// a processor whose 32-bit shifts use only five bits of the count then needs no mask.
constexpr uint32_t extraValue(uint64_t before, uint32_t e) {
  return (uint32_t(before) & ((1u << dropBits(e)) - 1)) >> ((e >> 8) & 31);
}
// The sub-table entry that a link leads to; bits start with the code's bits after the first level.
inline uint32_t subTableEntry(const uint32_t* table, uint32_t link, uint64_t bits) {
  return table[base(link) + (uint32_t(bits) & ((1u << codeBits(link)) - 1))];
}
} // namespace fast

// Fills a fast table of the given first-level bits for a complete or incomplete code set of codes
// of at most 15 bits, whose shape shapeCodes made from these lengths; patterns that are no code
// become invalid entries. An empty set gives a table of invalid entries.
void buildFastTable(const uint16_t* lengths, int count, const CodeShape& shape,
                    const SymbolKind& kind, int rootBits, uint32_t* table);
