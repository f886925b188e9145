// CRC-32 by "slicing by eight" tables, and by carry-less multiply folding on x86 processors that
// have the instruction (checked at run time, so the same binary runs on any x86).

#include "archive/crc32.h"

#include "util/littleendian.h"

#include <cstring>
#include <utility>

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define CRC_HAVE_CLMUL 1
#include <cpuid.h>
#include <immintrin.h>
#else
#define CRC_HAVE_CLMUL 0
#endif

namespace {

constexpr uint32_t reflectedPolynomial = 0xEDB88320u;
constexpr uint64_t normalPolynomial = 0x104C11DB7ull; // x^32 + ..., bit i = coefficient of x^i

using CrcRoutine = uint32_t (*)(uint32_t, const uint8_t*, size_t);

struct CrcTables {
  // slice[0] is the classic byte table; slice[k][b] is the register change of byte b followed by
  // k zero bytes, so eight bytes can be folded with eight independent look-ups.
  uint32_t slice[8][256];
  CrcRoutine routine;
  // Carry-less multiply constants, (x^k mod P) bit-reflected into the high half of a 64-bit lane.
  uint64_t fold2048[2]; // move a 128-bit accumulator 2048 bits on
  uint64_t fold512[2];  // ... 512 bits
  uint64_t fold384[2];
  uint64_t fold256[2];
  uint64_t fold128[2];
};

const CrcTables& crcTables();

uint32_t updateSliced(const CrcTables& t, uint32_t crc, const uint8_t* p, size_t n) {
  for (; n >= 8; p += 8, n -= 8) {
    uint32_t low = crc ^ readLe32(p);
    crc = t.slice[7][low & 0xFF] ^ t.slice[6][(low >> 8) & 0xFF] ^ t.slice[5][(low >> 16) & 0xFF] ^
          t.slice[4][low >> 24] ^ t.slice[3][p[4]] ^ t.slice[2][p[5]] ^ t.slice[1][p[6]] ^
          t.slice[0][p[7]];
  }
  for (; n > 0; ++p, --n)
    crc = t.slice[0][(crc ^ *p) & 0xFF] ^ (crc >> 8);
  return crc;
}

uint32_t portableRoutine(uint32_t crc, const uint8_t* p, size_t n) {
  return updateSliced(crcTables(), crc, p, n);
}

uint32_t reflect32(uint32_t v) {
  uint32_t r = 0;
  for (int i = 0; i < 32; ++i)
    r |= ((v >> i) & 1u) << (31 - i);
  return r;
}

// x^k mod P as a lane of the carry-less multiply: a lane bit j stands for x^(63 - j), the order in
// which the message bits arrive, so the 32 remainder bits land reflected in the lane's high half.
uint64_t foldConstant(int k) {
  uint64_t r = 1;
  for (int i = 0; i < k; ++i) {
    r <<= 1;
    if (r & (1ull << 32)) r ^= normalPolynomial;
  }
  return uint64_t(reflect32(uint32_t(r))) << 32;
}

#if CRC_HAVE_CLMUL

// Multiplying two reflected 64-bit lanes gives the reflected product times x, so a 128-bit
// accumulator A = L*x^64 + H is moved on by N bits as L*(x^(N+63) mod P) + H*(x^(N-1) mod P).
#define CRC_CLMUL_TARGET __attribute__((target("pclmul,sse2"), always_inline)) inline

CRC_CLMUL_TARGET __m128i load128(const uint8_t* q) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
}

CRC_CLMUL_TARGET __m128i constant(const uint64_t* k) {
  return load128(reinterpret_cast<const uint8_t*>(k));
}

CRC_CLMUL_TARGET __m128i fold(__m128i acc, __m128i k) {
  return _mm_xor_si128(_mm_clmulepi64_si128(acc, k, 0x00), _mm_clmulepi64_si128(acc, k, 0x11));
}

__attribute__((target("pclmul,sse2"))) uint32_t clmulRoutine(uint32_t crc, const uint8_t* p,
                                                             size_t n) {
  const CrcTables& t = crcTables();
  if (n < 64) return updateSliced(t, crc, p, n);
  const __m128i k512 = constant(t.fold512);
  const __m128i k128 = constant(t.fold128);
  // The incoming register is the same as the first four message bytes xor-ed with it.
  __m128i x0 = _mm_xor_si128(load128(p), _mm_cvtsi32_si128(int(crc)));
  __m128i x1 = load128(p + 16), x2 = load128(p + 32), x3 = load128(p + 48);
  for (p += 64, n -= 64; n >= 64; p += 64, n -= 64) {
    x0 = _mm_xor_si128(fold(x0, k512), load128(p));
    x1 = _mm_xor_si128(fold(x1, k512), load128(p + 16));
    x2 = _mm_xor_si128(fold(x2, k512), load128(p + 32));
    x3 = _mm_xor_si128(fold(x3, k512), load128(p + 48));
  }
  __m128i x = _mm_xor_si128(fold(x0, k128), x1);
  x = _mm_xor_si128(fold(x, k128), x2);
  x = _mm_xor_si128(fold(x, k128), x3);
  for (; n >= 16; p += 16, n -= 16)
    x = _mm_xor_si128(fold(x, k128), load128(p));
  // The accumulator is congruent to everything folded so far; its CRC from a zero register is the
  // register we want.
  uint8_t rest[16];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(rest), x);
  return updateSliced(t, updateSliced(t, 0, rest, 16), p, n);
}

bool cpuHasClmul() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  return (ecx & bit_PCLMUL) && (edx & bit_SSE2);
}

// The same folding over 64-byte registers of four 128-bit lanes (AVX-512 with VPCLMULQDQ), four
// registers at a time; the lanes are merged into one 128-bit accumulator at the end.
#define CRC_WIDE_TARGET                                                                            \
  __attribute__((target("vpclmulqdq,avx512f,pclmul,sse2"), always_inline)) inline

CRC_WIDE_TARGET __m512i load512(const uint8_t* q) {
  return _mm512_loadu_si512(q);
}

CRC_WIDE_TARGET __m512i fold4(__m512i acc, __m512i k) {
  return _mm512_xor_si512(_mm512_clmulepi64_epi128(acc, k, 0x00),
                          _mm512_clmulepi64_epi128(acc, k, 0x11));
}

CRC_WIDE_TARGET __m512i broadcastConstant(const uint64_t* k) {
  return _mm512_set_epi64(int64_t(k[1]), int64_t(k[0]), int64_t(k[1]), int64_t(k[0]), int64_t(k[1]),
                          int64_t(k[0]), int64_t(k[1]), int64_t(k[0]));
}

__attribute__((target("vpclmulqdq,avx512f,pclmul,sse2"))) uint32_t
wideClmulRoutine(uint32_t crc, const uint8_t* p, size_t n) {
  if (n < 512) return clmulRoutine(crc, p, n);
  const CrcTables& t = crcTables();
  const __m512i k2048 = broadcastConstant(t.fold2048);
  const __m512i k512 = broadcastConstant(t.fold512);
  __m512i x0 = _mm512_xor_si512(
      load512(p), _mm512_set_epi32(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, int(crc)));
  __m512i x1 = load512(p + 64), x2 = load512(p + 128), x3 = load512(p + 192);
  for (p += 256, n -= 256; n >= 256; p += 256, n -= 256) {
    x0 = _mm512_xor_si512(fold4(x0, k2048), load512(p));
    x1 = _mm512_xor_si512(fold4(x1, k2048), load512(p + 64));
    x2 = _mm512_xor_si512(fold4(x2, k2048), load512(p + 128));
    x3 = _mm512_xor_si512(fold4(x3, k2048), load512(p + 192));
  }
  __m512i x = _mm512_xor_si512(fold4(x0, k512), x1);
  x = _mm512_xor_si512(fold4(x, k512), x2);
  x = _mm512_xor_si512(fold4(x, k512), x3);
  for (; n >= 64; p += 64, n -= 64)
    x = _mm512_xor_si512(fold4(x, k512), load512(p));
  // Lane i is followed by 3 - i lanes: move it that far on and add them up.
  uint8_t lanes[64];
  _mm512_storeu_si512(lanes, x);
  __m128i r = _mm_xor_si128(fold(load128(lanes), constant(t.fold384)),
                            fold(load128(lanes + 16), constant(t.fold256)));
  r = _mm_xor_si128(r, fold(load128(lanes + 32), constant(t.fold128)));
  r = _mm_xor_si128(r, load128(lanes + 48));
  const __m128i k128 = constant(t.fold128);
  for (; n >= 16; p += 16, n -= 16)
    r = _mm_xor_si128(fold(r, k128), load128(p));
  uint8_t rest[16];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(rest), r);
  return updateSliced(t, updateSliced(t, 0, rest, 16), p, n);
}

// AVX-512 needs the processor's VPCLMULQDQ and AVX512F and the system's saving of the wide
// registers (XCR0: SSE, AVX, opmask and both upper register halves).
bool cpuHasWideClmul() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx) || !(ecx & bit_OSXSAVE)) return false;
  unsigned xcr0 = 0, xcr0High = 0;
  __asm__("xgetbv" : "=a"(xcr0), "=d"(xcr0High) : "c"(0));
  if ((xcr0 & 0xE6) != 0xE6) return false;
  if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return false;
  return (ebx & bit_AVX512F) && (ecx & bit_VPCLMULQDQ) && cpuHasClmul();
}

#endif

CrcTables makeTables() {
  CrcTables t{};
  for (uint32_t b = 0; b < 256; ++b) {
    uint32_t c = b;
    for (int i = 0; i < 8; ++i)
      c = (c & 1) ? (c >> 1) ^ reflectedPolynomial : c >> 1;
    t.slice[0][b] = c;
  }
  for (int k = 1; k < 8; ++k)
    for (int b = 0; b < 256; ++b)
      t.slice[k][b] = (t.slice[k - 1][b] >> 8) ^ t.slice[0][t.slice[k - 1][b] & 0xFF];
  t.fold512[0] = foldConstant(512 + 63);
  t.fold512[1] = foldConstant(512 - 1);
  for (auto [k, bits] :
       {std::pair{t.fold2048, 2048}, {t.fold384, 384}, {t.fold256, 256}, {t.fold128, 128}}) {
    k[0] = foldConstant(bits + 63);
    k[1] = foldConstant(bits - 1);
  }
  t.routine = portableRoutine;
#if CRC_HAVE_CLMUL
  if (cpuHasClmul()) t.routine = clmulRoutine;
  if (cpuHasWideClmul()) t.routine = wideClmulRoutine;
#endif
  return t;
}

// Built on first use; the program's start-up calls buildCrcTable so that this happens early.
const CrcTables& crcTables() {
  static const CrcTables tables = makeTables();
  return tables;
}

} // namespace

void buildCrcTable() {
  crcTables();
}

uint32_t updateCrc(uint32_t crc, const uint8_t* data, size_t n) {
  return crcTables().routine(crc, data, n);
}

uint32_t updateCrcPortable(uint32_t crc, const uint8_t* data, size_t n) {
  return updateSliced(crcTables(), crc, data, n);
}

bool crcUsesCarrylessMultiply() {
  return crcTables().routine != portableRoutine;
}
