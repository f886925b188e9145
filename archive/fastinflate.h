#pragma once
// The inflate decoder's fast loop: decodes literal/length and distance codes through the packed
// fast tables with a 64-bit bit buffer, as long as it is provably far from the ends of the input
// block and of the output window. The caller hands over the state and takes it back.

#include <bit>
#include <cstdint>
#include <cstring>

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

constexpr int fastStopped = -1; // an edge was reached: continue on the exact path

// True when a round of the fast loop may run. A round consumes at most 48 bits (up to four
// first-level literals of up to 11 bits, or one literal of up to 15 bits through a sub-table, or
// length code and extra bits, 20, and distance code and extra bits, 28), and the reference decoder
// asks for at most 15 bits past the bits it has consumed; when all of that lies within the block,
// the round neither needs the next block nor takes bytes past this one.
inline bool fastRoundFits(const uint8_t* in, const uint8_t* inEnd, unsigned count) {
  return 8 * (inEnd - in) + count >= 48 + 15;
}

// Decodes symbols until an edge (fastStopped), the end of the block (0) or an invalid code (4).
using FastDecoder = int (*)(FastState& state, const uint32_t* literals, const uint32_t* distances);

// The best fast loop for this processor.
FastDecoder chooseFastDecoder();
