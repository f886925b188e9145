#pragma once
// The inflate decoder's fast loop: decodes literal/length and distance codes through the packed
// fast tables with a 64-bit bit buffer, as long as it is provably far from the ends of the input
// block and of the output window. The caller hands over the state and takes it back.

#include <algorithm>
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
// A round decodes up to three first-level literals, or up to two and then a length (or a literal
// through a sub-table) and a distance. The buffer is refilled at the start of a round and again
// before a distance, so that the distance and the look-up after it always have their bits.
constexpr int refillBits = 56;
constexpr int lengthBits = maxCodeBits + maxLengthExtraBits;
constexpr int distanceBits = maxCodeBits + maxDistanceExtraBits;
static_assert(4 * literalRootBits <= refillBits);
static_assert(2 * literalRootBits + lengthBits + distanceRootBits <= refillBits);
static_assert(2 * literalRootBits + maxCodeBits + literalRootBits <= refillBits);
static_assert(distanceBits + literalRootBits <= refillBits);
static_assert(distanceBits < 32); // extra bits are taken in 32-bit arithmetic
// Bits a round may consume, and bits it may take into the buffer from where it starts (what it
// consumes before the second refill and a full buffer after it).
constexpr int roundBits = 2 * literalRootBits + lengthBits + distanceBits;
constexpr int fullBufferBits = refillBits + 7; // a refill leaves 56 to 63 bits
constexpr int roundTakesBits = 2 * literalRootBits + lengthBits + fullBufferBits;
// The reference decoder asks for up to a whole code past the bits it has consumed. A round may run
// when all of that, and every byte the round takes, lies within the input block.
constexpr int roundNeedsBits = std::max(roundBits + maxCodeBits, roundTakesBits);
constexpr int roundNeedsBytes = (roundNeedsBits + 7) / 8;
// A match copy writes up to this many bytes past the match's end: five 8-byte words for a match
// of the shortest length, 3.
constexpr int minMatchLength = 3;
constexpr size_t copyOverrun = 5 * 8 - minMatchLength;
// A round writes up to two literals and a match, and the copy's overrun.
constexpr size_t roundWrites = 2 + maxMatchLength + copyOverrun;
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
// The fast loop that needs no processor extension, which chooseFastDecoder gives where the
// processor lacks them.
FastDecoder plainFastDecoder();
