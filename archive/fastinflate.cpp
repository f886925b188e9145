// The fast loop, compiled once for any x86-64/x86 and once with BMI2 shifts where the processor
// has them (chosen at run time).

#include "archive/fastinflate.h"

#include <cstring>

#include "archive/huffman.h"

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define INFLATE_HAVE_BMI2 1
#include <cpuid.h>
#else
#define INFLATE_HAVE_BMI2 0
#endif

#if defined(__GNUC__)
#define INFLATE_INLINE __attribute__((always_inline)) inline
// GCC otherwise leaves some of the loop's small lambdas as calls, and the variables they capture
// then live in memory instead of registers.
#define INFLATE_LAMBDA_INLINE __attribute__((always_inline))
#else
#define INFLATE_INLINE inline
#define INFLATE_LAMBDA_INLINE
#endif

// Long matches and runs are rare and short; a vectorised copy loop costs more in set-up and
// registers than it saves. Clang takes that per loop, GCC per function.
#if defined(__clang__)
#define INFLATE_SCALAR_LOOP _Pragma("clang loop vectorize(disable) unroll(disable)")
#define INFLATE_NO_VECTORIZE
#elif defined(__GNUC__)
#define INFLATE_SCALAR_LOOP
#define INFLATE_NO_VECTORIZE __attribute__((optimize("no-tree-vectorize")))
#else
#define INFLATE_SCALAR_LOOP
#define INFLATE_NO_VECTORIZE
#endif

namespace {

// Copies a match forwards, so that a distance shorter than the length repeats the recent bytes.
// A distance of at least 8 is moved in 8-byte words, the first five at once: most matches are at
// most 40 bytes long and take no loop and no branch on their length; longer ones go on 16 bytes a
// step. Distance 1 repeats a byte
// word-wise, and distances 2 to 7 move words too, a period at a time. Writes up to
// fast::copyOverrun bytes past the match's end; those bytes are later output and are overwritten
// in turn.
INFLATE_INLINE void copyWord(uint8_t* to, const uint8_t* from) {
  uint64_t word;
  std::memcpy(&word, from, 8);
  std::memcpy(to, &word, 8);
}

INFLATE_INLINE uint8_t* copyMatch(uint8_t* out, uint32_t distance, uint32_t length) {
  const uint8_t* from = out - distance;
  uint8_t* end = out + length;
  if (distance >= 8) {
    copyWord(out, from);
    copyWord(out + 8, from + 8);
    copyWord(out + 16, from + 16);
    copyWord(out + 24, from + 24);
    copyWord(out + 32, from + 32);
    INFLATE_SCALAR_LOOP
    for (out += 40, from += 40; out < end; out += 16, from += 16) {
      copyWord(out, from);
      copyWord(out + 8, from + 8);
    }
  } else if (distance == 1) {
    uint64_t v = 0x0101010101010101ull * *from;
    INFLATE_SCALAR_LOOP
    do {
      std::memcpy(out, &v, 8);
      out += 8;
    } while (out < end);
  } else {
    // A word taken from `distance` bytes back holds that many final bytes, then bytes not yet
    // written; stepping by the distance keeps only the final ones, the pattern's period.
    INFLATE_SCALAR_LOOP
    do {
      copyWord(out, from);
      out += distance;
      from += distance;
    } while (out < end);
  }
  return end;
}

// The loop body. Bit buffer: `count` valid bits at the bottom; above them may sit bits of the
// byte at `in`, which the next refill ors in again unchanged. A refill leaves at least 56 bits.
// The next symbol's first-level entry is looked up ahead of the refill, which only adds bits
// above: every step leaves at least the first level's bits for it, so the look-up never waits for
// the refill's load.
template <class Bits>
INFLATE_INLINE SymbolStep fastLoop(FastState& s, const uint32_t* literals,
                                   const uint32_t* distances) {
  constexpr uint32_t literalMask = (1u << fast::literalRootBits) - 1;
  constexpr uint32_t distanceMask = (1u << fast::distanceRootBits) - 1;
  const uint8_t* in = s.in;
  const uint8_t* const inEnd = s.inEnd;
  // Below this a round always fits, whatever the bit count.
  const uint8_t* const inSafe = inEnd - fast::roundNeedsBytes;
  uint8_t* out = s.out;
  uint8_t* const outLimit = s.outLimit;
  uint64_t bits = s.bits;
  // The bit count lives in the low 8 bits of `count`; whole entries are subtracted from it, which
  // leaves those bits right (an entry's low byte is its bits to drop) and garbage above them.
  uint32_t count = s.count;
  static_assert(fast::refillBits == 56); // the refill below
  auto refill = [&]() INFLATE_LAMBDA_INLINE {
    bits |= loadLittleEndian64(in) << (count & 63);
    in += 7 - ((count >> 3) & 7);
    count |= 56;
  };
  auto consume = [&](uint32_t entry) INFLATE_LAMBDA_INLINE {
    bits >>= fast::dropBits(entry);
    count -= entry;
  };
  auto subEntry = [&](const uint32_t* table, uint32_t link) INFLATE_LAMBDA_INLINE {
    consume(link);
    return fast::subTableEntry(table, link, bits);
  };
  auto literal = [&](uint32_t entry) INFLATE_LAMBDA_INLINE {
    consume(entry);
    *out++ = fast::literalByte(entry);
  };
  auto roundFits = [&]() INFLATE_LAMBDA_INLINE {
    return in <= inSafe || fastRoundFits(in, inEnd, count & 0xFF);
  };
  // Ends a round of literals: false when the loop must stop here.
  auto nextRound = [&]() INFLATE_LAMBDA_INLINE {
    if (out >= outLimit || !roundFits()) return false;
    refill();
    return true;
  };
  // Every round starts with a refill, which roundFits allows; the caller checked it for the first.
  SymbolStep result = SymbolStep::more;
  refill();
  uint32_t e = literals[bits & literalMask];
  for (;;) {
    // A round: up to three literals, or up to two and then a length and distance.
    if (fast::isLiteral(e)) {
      literal(e);
      e = literals[bits & literalMask];
      if (fast::isLiteral(e)) {
        literal(e);
        e = literals[bits & literalMask];
        if (fast::isLiteral(e)) {
          literal(e);
          e = literals[bits & literalMask];
          if (!nextRound()) break;
          continue;
        }
      }
    }
    if (fast::isSpecial(e)) {
      if (fast::isLink(e)) e = subEntry(literals, e);
      if (fast::isSpecial(e)) { // sub-tables hold no links
        if (fast::isEndOfBlock(e)) {
          consume(e);
          result = SymbolStep::endOfBlock;
        } else {
          result = SymbolStep::invalidCode;
        }
        break;
      }
      if (fast::isLiteral(e)) {
        literal(e);
        e = literals[bits & literalMask];
        if (!nextRound()) break;
        continue;
      }
    }
    uint64_t before = bits;
    consume(e);
    uint32_t length = fast::base(e) + Bits::extraValue(before, e);
    // The distance's entry is looked up before the refill, which only adds bits above.
    e = distances[bits & distanceMask];
    refill();
    if (fast::isSpecial(e)) {
      if (fast::isLink(e)) e = subEntry(distances, e);
      if (fast::isSpecial(e)) {
        result = SymbolStep::invalidCode;
        break;
      }
    }
    before = bits;
    consume(e);
    uint32_t distance = fast::base(e) + Bits::extraValue(before, e);
    if (!roundFits()) {
      out = copyMatch(out, distance, length);
      break;
    }
    // Look the next symbol up and refill before copying, so that both overlap the copy.
    e = literals[bits & literalMask];
    refill();
    out = copyMatch(out, distance, length);
    if (out >= outLimit) break;
  }
  count &= 0xFF;
  s.in = in;
  s.out = out;
  s.count = count;
  s.bits = bits & ((uint64_t(1) << count) - 1);
  return result;
}

// How the loop takes a length's or distance's extra bits: portable, or with a BMI2 instruction.
struct PlainBits {
  static INFLATE_INLINE uint32_t extraValue(uint64_t before, uint32_t e) {
    return fast::extraValue(before, e);
  }
};

INFLATE_NO_VECTORIZE SymbolStep fastGeneric(FastState& s, const uint32_t* literals,
                                            const uint32_t* distances) {
  return fastLoop<PlainBits>(s, literals, distances);
}

#if INFLATE_HAVE_BMI2
// bzhi keeps the bits below the count in the entry's low byte, the bits to drop, in one
// instruction instead of making and applying a mask. As an instruction of its own it needs no
// target attribute on the loop it is inlined into.
struct Bmi2Bits {
  static INFLATE_INLINE uint32_t extraValue(uint64_t before, uint32_t e) {
    uint32_t kept;
    asm("bzhi %2, %1, %0" : "=r"(kept) : "r"(uint32_t(before)), "r"(e));
    return kept >> ((e >> 8) & 31);
  }
};

__attribute__((target("bmi2"))) INFLATE_NO_VECTORIZE SymbolStep
fastBmi2(FastState& s, const uint32_t* literals, const uint32_t* distances) {
  return fastLoop<Bmi2Bits>(s, literals, distances);
}

bool cpuHasBmi2() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return false;
  return (ebx & bit_BMI2) != 0;
}
#endif

} // namespace

FastDecoder plainFastDecoder() {
  return fastGeneric;
}

// Asking the processor costs more than a small entry's decoding setup (a trap to the hypervisor on
// virtual machines), so it is asked once.
FastDecoder chooseFastDecoder() {
#if INFLATE_HAVE_BMI2
  static const FastDecoder chosen = cpuHasBmi2() ? fastBmi2 : fastGeneric;
  return chosen;
#else
  return fastGeneric;
#endif
}
