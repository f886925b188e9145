#pragma once
// The inflate decoder's fast loop: decodes literal/length and distance codes through the packed
// fast tables with a 64-bit bit buffer, as long as it is provably far from the ends of the input
// block and of the output window. The caller hands over the state and takes it back.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "archive/huffman.h"

// Eight input bytes as one number in the stream's bit order (the first byte lowest).
inline uint64_t loadLittleEndian64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof v);
  if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
  return v;
}

struct FastState {
  const uint8_t* in;    // next byte to take into the bit buffer
  const uint8_t* inEnd; // end of the input block's valid bytes
  uint8_t* out;         // next output byte
  uint8_t* outLimit;    // a round may start only before this (the window's end)
  uint64_t bits;        // `count` bits at the bottom; bits above them are zero on entry and exit
  unsigned count;
};

// How decoding a run of symbols ended (the fast loop, or one symbol of the exact path).
enum class SymbolStep {
  more,        // an edge was reached, or one symbol done: go on
  endOfBlock,  // the end-of-block code was taken
  invalidCode, // a pattern that is no code of the set
};

// The margins the loop and its callers rely on.
namespace fast {
constexpr int maxCodeBits = 15;
constexpr int maxLengthExtraBits = 5;
constexpr int maxDistanceExtraBits = 13;
constexpr int maxMatchLength = 258;
// Bits a round may consume: up to four first-level literals, or one literal through a sub-table,
// or a length code with its extra bits and a distance code with its extra bits.
constexpr int roundBits = 48;
static_assert(4 * literalRootBits <= roundBits);
static_assert(2 * maxCodeBits + maxLengthExtraBits + maxDistanceExtraBits <= roundBits);
// A refill leaves at least this many bits in the buffer, enough for a round.
constexpr int refillBits = 56;
static_assert(roundBits <= refillBits);
// The reference decoder asks for up to a whole code past the bits it has consumed; a round may run
// when all of that lies within the input block, and eight more bytes always hold it.
constexpr int roundNeedsBits = roundBits + maxCodeBits;
static_assert(roundNeedsBits <= 8 * 8 - 1);
// A match copy writes up to this many bytes past the match's end: five 8-byte words for a match
// of the shortest length, 3.
constexpr int minMatchLength = 3;
constexpr size_t copyOverrun = 5 * 8 - minMatchLength;
} // namespace fast

// True when a round of the fast loop may run: it neither needs the next block nor takes bytes past
// this one.
inline bool fastRoundFits(const uint8_t* in, const uint8_t* inEnd, unsigned count) {
  return 8 * (inEnd - in) + count >= unsigned(fast::roundNeedsBits);
}

// Decodes symbols until an edge (more), the end of the block or an invalid code.
using FastDecoder = SymbolStep (*)(FastState& state, const uint32_t* literals,
                                   const uint32_t* distances);

// The best fast loop for this processor (looked up once).
FastDecoder chooseFastDecoder();
