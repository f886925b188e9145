// The inflate engine: streams made by zlib (host only) cross-checked against zlib's own output,
// hand-built bit streams for every result code and corner of the format, the input accounting
// (2048-byte reads, the compressed-size limit, reuse of the old block after the input ended), the
// 32768-byte window writes, data descriptors, and the fast path against the exact path.

#include "archive/crc32.h"
#include "archive/inflate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#ifndef _WIN32
#include <zlib.h>
#endif

namespace {

using Bytes = std::vector<uint8_t>;

// Memory source and sink that records every call: R read, W write, P message pump.
class TestIo : public InflateIo {
public:
  explicit TestIo(Bytes input) : input_(std::move(input)) {}
  int32_t read(uint8_t* buffer, int32_t size) override {
    log += 'R';
    requested.push_back(size);
    if (readsBeforeFailure == 0) return -1;
    --readsBeforeFailure;
    size_t n = std::min({size_t(size), maxRead, input_.size() - pos_});
    if (n) std::memcpy(buffer, input_.data() + pos_, n);
    pos_ += n;
    return int32_t(n);
  }
  bool write(const uint8_t* data, size_t size) override {
    log += 'W';
    writeSizes.push_back(size);
    if (writesBeforeFailure == 0) return false;
    --writesBeforeFailure;
    out.insert(out.end(), data, data + size);
    return true;
  }
  void pumpMessages() override { log += 'P'; }

  size_t maxRead = SIZE_MAX;
  int readsBeforeFailure = -1;  // -1: never fail
  int writesBeforeFailure = -1; // -1: never fail
  Bytes out;
  std::string log;
  std::vector<int32_t> requested;
  std::vector<size_t> writeSizes;

private:
  Bytes input_;
  size_t pos_ = 0;
};

// Everything a caller can observe of one decoding.
struct Outcome {
  int result = -1;
  Bytes out;
  uint32_t crc = 0;
  std::string log;
  bool operator==(const Outcome&) const = default;
};

Outcome inflateWith(TestIo& io, int32_t compressedSize, bool fast = true, bool plainLoop = false) {
  Inflater inflater(io);
  inflater.setFastPath(fast);
  if (plainLoop) inflater.usePlainFastLoop();
  inflater.begin(compressedSize);
  Outcome o;
  o.result = inflater.inflate();
  o.out = io.out;
  o.crc = inflater.crc();
  o.log = io.log;
  return o;
}

// As in an archive, where more records follow the entry's data: a final code's look-up may read
// on into them.
Outcome inflateBytes(const Bytes& stream, bool fast = true) {
  Bytes file = stream;
  file.insert(file.end(), 46, 0x50);
  TestIo io(file);
  return inflateWith(io, int32_t(stream.size()), fast);
}

uint32_t crcOf(const Bytes& b) {
  return updateCrc(0xFFFFFFFF, b.data(), b.size());
}

[[maybe_unused]] Bytes text(size_t n) { // used by the zlib comparisons, host only
  Bytes b;
  const std::string words[] = {"window ", "message ", "plugin ", "browser ", "archive ", "the ",
                               "of ",     "install ", "\n",      "0123 ",    "version "};
  std::mt19937 rng(7);
  while (b.size() < n)
    for (char c : words[rng() % 11])
      b.push_back(uint8_t(c));
  b.resize(n);
  return b;
}

Bytes noise(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& c : b)
    c = uint8_t(rng());
  return b;
}

// --- Bit streams built by hand ----------------------------------------------------------------

// Writes deflate bit streams: header fields least significant bit first, Huffman codes most
// significant bit first (RFC 1951, 3.1.1).
class BitStream {
public:
  BitStream& bits(uint32_t value, int n) {
    for (int i = 0; i < n; ++i)
      put((value >> i) & 1);
    return *this;
  }
  BitStream& code(uint32_t code, int n) {
    for (int i = n - 1; i >= 0; --i)
      put((code >> i) & 1);
    return *this;
  }
  BitStream& align() {
    while (count_ % 8)
      put(0);
    return *this;
  }
  BitStream& byte(uint8_t b) { return bits(b, 8); }
  Bytes data() const { return bytes_; }
  size_t bitCount() const { return count_; }

private:
  void put(uint32_t bit) {
    if (count_ % 8 == 0) bytes_.push_back(0);
    bytes_.back() |= uint8_t(bit << (count_ % 8));
    ++count_;
  }
  Bytes bytes_;
  size_t count_ = 0;
};

// Fixed literal/length codes (RFC 1951, 3.2.6).
void fixedSymbol(BitStream& s, int symbol) {
  if (symbol < 144)
    s.code(0x30 + symbol, 8);
  else if (symbol < 256)
    s.code(0x190 + symbol - 144, 9);
  else if (symbol < 280)
    s.code(symbol - 256, 7);
  else
    s.code(0xC0 + symbol - 280, 8);
}

const int lengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                            31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const int lengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                             2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const int distBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                          33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                          1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const int distExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                           6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// A length/distance pair in the fixed code.
void fixedMatch(BitStream& s, int length, int distance) {
  int l = 28;
  while (lengthBase[l] > length)
    --l;
  if (length == 258) l = 28;
  fixedSymbol(s, 257 + l);
  s.bits(length - lengthBase[l], lengthExtra[l]);
  int d = 29;
  while (distBase[d] > distance)
    --d;
  s.code(d, 5);
  s.bits(distance - distBase[d], distExtra[d]);
}

// Canonical codes of a code-length list (RFC 1951, 3.2.2).
std::vector<uint32_t> canonical(const std::vector<int>& lengths) {
  int count[16] = {};
  for (int l : lengths)
    ++count[l];
  count[0] = 0;
  uint32_t next[16] = {};
  uint32_t code = 0;
  for (int k = 1; k < 16; ++k) {
    code = (code + count[k - 1]) << 1;
    next[k] = code;
  }
  std::vector<uint32_t> codes(lengths.size());
  for (size_t s = 0; s < lengths.size(); ++s)
    if (lengths[s]) codes[s] = next[lengths[s]]++;
  return codes;
}

const int codeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// A dynamic block header: counts, the code-length code, then code-length symbols with their extra
// bits as given (so that tests can send repeats and malformed sequences).
struct DynamicHeader {
  int literalCount = 257;
  int distanceCount = 1;
  std::vector<int> codeLengthLengths = std::vector<int>(19, 0);
  std::vector<std::pair<int, int>> symbols; // code-length symbol, value of its extra bits

  // A complete code-length code: symbols 0 to 12 of 4 bits, 13 to 18 of 5 bits.
  static DynamicHeader withFullCodeLengthCode() {
    DynamicHeader h;
    for (int s = 0; s < 19; ++s)
      h.codeLengthLengths[s] = s < 13 ? 4 : 5;
    return h;
  }
  // Sends every length as itself.
  void plain(const std::vector<int>& lengths) {
    for (int l : lengths)
      symbols.push_back({l, 0});
  }
  void write(BitStream& s) const {
    s.bits(literalCount - 257, 5).bits(distanceCount - 1, 5).bits(19 - 4, 4);
    for (int i = 0; i < 19; ++i)
      s.bits(codeLengthLengths[codeLengthOrder[i]], 3);
    std::vector<uint32_t> codes = canonical(codeLengthLengths);
    for (auto [symbol, extra] : symbols) {
      s.code(codes[symbol], codeLengthLengths[symbol]);
      if (symbol == 16) s.bits(extra, 2);
      if (symbol == 17) s.bits(extra, 3);
      if (symbol == 18) s.bits(extra, 7);
    }
  }
};

// A dynamic block with the given literal/length and distance code lengths sent plainly.
struct DynamicBlock {
  std::vector<int> literals, distances;
  std::vector<uint32_t> literalCodes, distanceCodes;
  DynamicBlock(std::vector<int> lit, std::vector<int> dist)
      : literals(std::move(lit)), distances(std::move(dist)), literalCodes(canonical(literals)),
        distanceCodes(canonical(distances)) {}
  void header(BitStream& s, bool last) const {
    s.bits(last, 1).bits(2, 2);
    DynamicHeader h = DynamicHeader::withFullCodeLengthCode();
    h.literalCount = int(literals.size());
    h.distanceCount = int(distances.size());
    h.plain(literals);
    h.plain(distances);
    h.write(s);
  }
  void symbol(BitStream& s, int sym) const { s.code(literalCodes[sym], literals[sym]); }
  void distanceCode(BitStream& s, int code) const { s.code(distanceCodes[code], distances[code]); }
};

// Literal lengths of a complete code where 'a', 'b' and end of block are short and every
// length code has 9 bits: 0..255 get 9 bits except 'a' and 'b' (3 bits), 256 gets 3 bits.
std::vector<int> simpleLiteralLengths(int count = 286) {
  // 3 codes of 3 bits take 3/8; the rest, 5/8 = 320/512, is shared by 9-bit codes: 254 literals
  // and 29 length codes make 283, so lengths 286 and 287 stay unused and 37 patterns are filled
  // by making 37 of the literals 8 bits instead: 37 * 2 + 246 = 320.
  std::vector<int> l(count, 0);
  int eightBit = 37;
  for (int s = 0; s < 256; ++s)
    l[s] = (s == 'a' || s == 'b') ? 3 : (eightBit-- > 0 ? 8 : 9);
  l[256] = 3;
  for (int s = 257; s < 286 && s < count; ++s)
    l[s] = 9;
  return l;
}

// --- Streams made by zlib ---------------------------------------------------------------------

#ifndef _WIN32

Bytes zlibDeflate(const Bytes& in, int level, int strategy, int windowBits = -15) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, windowBits, 8, strategy), Z_OK);
  Bytes out(deflateBound(&z, uLong(in.size())) + 64);
  z.next_in = const_cast<Bytef*>(in.data());
  z.avail_in = uInt(in.size());
  z.next_out = out.data();
  z.avail_out = uInt(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// zlib's raw inflate as the control: true and its output when it accepts the whole stream.
bool zlibInflate(const Bytes& stream, Bytes& out) {
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) return false;
  out.clear();
  z.next_in = const_cast<Bytef*>(stream.data());
  z.avail_in = uInt(stream.size());
  int rc = Z_OK;
  uint8_t buffer[65536];
  while (rc == Z_OK) {
    z.next_out = buffer;
    z.avail_out = sizeof buffer;
    rc = inflate(&z, Z_NO_FLUSH);
    out.insert(out.end(), buffer, buffer + (sizeof buffer - z.avail_out));
    if (rc == Z_BUF_ERROR && z.avail_in == 0) break;
  }
  inflateEnd(&z);
  return rc == Z_STREAM_END;
}

struct ZlibCase {
  const char* name;
  int level;
  int strategy;
  int data; // 0 text, 1 noise, 2 zeros, 3 mixed, 4 tiny
  size_t size;
};

class ZlibStreams : public ::testing::TestWithParam<ZlibCase> {};

Bytes caseData(const ZlibCase& c) {
  switch (c.data) {
  case 0:
    return text(c.size);
  case 1:
    return noise(c.size, 11);
  case 2:
    return Bytes(c.size, 0);
  case 3: {
    Bytes b = text(c.size / 2), n = noise(c.size / 4, 5), z(c.size - c.size / 2 - c.size / 4, 'z');
    b.insert(b.end(), n.begin(), n.end());
    b.insert(b.end(), z.begin(), z.end());
    return b;
  }
  default:
    return Bytes{'x'};
  }
}

// Both paths, the fast one with either loop, give the input back, with zlib's CRC-32, and
// 32768-byte writes but the last.
TEST_P(ZlibStreams, DecodeToTheInput) {
  const ZlibCase& c = GetParam();
  Bytes data = caseData(c);
  Bytes stream = zlibDeflate(data, c.level, c.strategy);
  Bytes control;
  ASSERT_TRUE(zlibInflate(stream, control));
  ASSERT_EQ(control, data);
  for (const char* path : {"fast", "plain loop", "exact"}) {
    TestIo io(stream);
    Outcome o = inflateWith(io, int32_t(stream.size()), path[0] != 'e', path[0] == 'p');
    EXPECT_EQ(o.result, zipOk) << path;
    EXPECT_TRUE(o.out == data) << path;
    EXPECT_EQ(~o.crc, uint32_t(crc32(0, data.data(), uInt(data.size()))));
    for (size_t i = 0; i + 1 < io.writeSizes.size(); ++i)
      ASSERT_EQ(io.writeSizes[i], Inflater::windowSize);
    for (int32_t r : io.requested)
      ASSERT_EQ(r, Inflater::inputBlockSize);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Inflate, ZlibStreams,
    ::testing::Values(ZlibCase{"Stored", 0, Z_DEFAULT_STRATEGY, 3, 200000},
                      ZlibCase{"Level1Text", 1, Z_DEFAULT_STRATEGY, 0, 300000},
                      ZlibCase{"Level6Mixed", 6, Z_DEFAULT_STRATEGY, 3, 400000},
                      ZlibCase{"Level9Text", 9, Z_DEFAULT_STRATEGY, 0, 300000},
                      ZlibCase{"Level9Noise", 9, Z_DEFAULT_STRATEGY, 1, 100000},
                      ZlibCase{"Fixed", 6, Z_FIXED, 3, 200000},
                      ZlibCase{"HuffmanOnly", 6, Z_HUFFMAN_ONLY, 0, 100000},
                      ZlibCase{"Rle", 6, Z_RLE, 3, 200000},
                      ZlibCase{"Filtered", 6, Z_FILTERED, 3, 150000},
                      ZlibCase{"Zeros", 9, Z_DEFAULT_STRATEGY, 2, 1000000},
                      ZlibCase{"WholeWindows", 6, Z_DEFAULT_STRATEGY, 0, 4 * 32768},
                      ZlibCase{"OneByte", 6, Z_DEFAULT_STRATEGY, 4, 1},
                      ZlibCase{"Empty", 6, Z_DEFAULT_STRATEGY, 2, 0}),
    [](const ::testing::TestParamInfo<ZlibCase>& i) { return std::string(i.param.name); });

// Corrupted and cut zlib streams: the fast path must give exactly what the exact path gives
// (result, bytes, CRC, and the order of reads, pumps and writes), and whatever zlib accepts in
// full must decode to zlib's bytes.
TEST(Inflate, FastPathMatchesExactPathOnDamagedStreams) {
  Bytes data = text(150000);
  Bytes n = noise(30000, 3);
  data.insert(data.begin() + 70000, n.begin(), n.end());
  std::mt19937 rng(99);
  int accepted = 0, rejected = 0;
  for (int round = 0; round < 160; ++round) {
    Bytes stream = zlibDeflate(data, 1 + round % 9, round % 5 == 4 ? Z_FIXED : Z_DEFAULT_STRATEGY);
    int flips = round % 4;
    for (int f = 0; f < flips; ++f)
      stream[rng() % stream.size()] ^= uint8_t(1u << (rng() % 8));
    if (round % 3 == 0) stream.resize(rng() % stream.size());
    int32_t limit = round % 7 == 0 ? int32_t(rng() % (stream.size() + 1)) : int32_t(stream.size());
    TestIo fastIo(stream), exactIo(stream), plainIo(stream);
    Outcome fast = inflateWith(fastIo, limit, true);
    Outcome exact = inflateWith(exactIo, limit, false);
    ASSERT_EQ(fast.result, exact.result) << "round " << round;
    ASSERT_TRUE(fast == exact) << "round " << round;
    ASSERT_TRUE(inflateWith(plainIo, limit, true, true) == exact) << "round " << round;
    Bytes control;
    if (limit == int32_t(stream.size()) && zlibInflate(stream, control)) {
      ++accepted;
      ASSERT_EQ(fast.result, zipOk) << "round " << round;
      ASSERT_TRUE(fast.out == control) << "round " << round;
    } else {
      ++rejected;
    }
  }
  EXPECT_GT(accepted, 20);
  EXPECT_GT(rejected, 20);
}

// Skewed bytes and distances give literal/length and distance codes of up to 15 bits, longer than
// the first level of either kind of table, so that many of them meet the ends of input blocks.
// There the fast path must ask for input exactly as the exact path does, whole or cut.
TEST(Inflate, FastPathMatchesExactPathWithLongCodes) {
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    std::mt19937 rng(seed);
    Bytes data;
    while (data.size() < 120000) {
      if (data.size() > 40000 && rng() % 4 == 0) {
        size_t distance = 1 + rng() % (size_t(1) << (1 + rng() % 15));
        size_t length = 3 + rng() % 10;
        for (size_t i = 0; i < length; ++i)
          data.push_back(data[data.size() - distance]);
        continue;
      }
      int k = 0; // byte k comes about twice as often as byte k + 1
      while (k < 60 && (rng() & 1))
        ++k;
      data.push_back(uint8_t(k * 37 + seed));
    }
    Bytes stream = zlibDeflate(data, 1 + int(seed % 9), Z_DEFAULT_STRATEGY);
    for (int cut = 0; cut < 4; ++cut) {
      Bytes input = stream;
      if (cut > 0) input.resize(rng() % stream.size());
      TestIo fastIo(input), exactIo(input), plainIo(input);
      Outcome fast = inflateWith(fastIo, int32_t(input.size()), true);
      Outcome exact = inflateWith(exactIo, int32_t(input.size()), false);
      ASSERT_TRUE(fast == exact) << "seed " << seed << " cut " << cut;
      ASSERT_TRUE(inflateWith(plainIo, int32_t(input.size()), true, true) == exact)
          << "seed " << seed << " cut " << cut;
      if (cut == 0) {
        ASSERT_EQ(fast.result, zipOk) << "seed " << seed;
        ASSERT_TRUE(fast.out == data) << "seed " << seed;
      }
    }
  }
}

// Raw streams as in ZIP entries, decoded after a header of another size (windowBits -15 only
// differs from the zlib wrapper by its header and trailer, which ZIP does not use).
TEST(Inflate, ZlibWrapperPayloadDecodes) {
  Bytes data = text(50000);
  Bytes wrapped = zlibDeflate(data, 6, Z_DEFAULT_STRATEGY, 15);
  Bytes raw(wrapped.begin() + 2, wrapped.end() - 4); // two-byte header, Adler-32 trailer
  Outcome o = inflateBytes(raw);
  EXPECT_EQ(o.result, zipOk);
  EXPECT_TRUE(o.out == data);
}

#endif // _WIN32

// --- Hand-built streams: results ----------------------------------------------------------------

TEST(Inflate, EmptyStoredBlock) {
  BitStream s;
  s.bits(1, 1).bits(0, 2).align().bits(0, 16).bits(0xFFFF, 16); // final, stored, LEN 0, NLEN
  Outcome o = inflateBytes(s.data());
  EXPECT_EQ(o.result, zipOk);
  EXPECT_TRUE(o.out.empty());
  EXPECT_EQ(o.crc, 0xFFFFFFFFu);
}

TEST(Inflate, EmptyDeflatedFile) {
  BitStream s;
  s.bits(1, 1).bits(1, 2); // final, fixed
  fixedSymbol(s, 256);     // end of block
  EXPECT_EQ(s.data(), (Bytes{0x03, 0x00}));
  Outcome o = inflateBytes(s.data());
  EXPECT_EQ(o.result, zipOk);
  EXPECT_TRUE(o.out.empty());
  EXPECT_EQ(o.log.find('W'), std::string::npos); // nothing to write: no write at all
}

TEST(Inflate, StoredBlocksCopyBytes) {
  BitStream s;
  s.bits(0, 1).bits(0, 2).align().bits(3, 16).bits(0xFFFC, 16); // not final, stored, LEN 3
  s.byte('a').byte('b').byte('c');
  s.bits(1, 1).bits(0, 2).align().bits(2, 16).bits(0xFFFD, 16); // final, stored, LEN 2
  s.byte('d').byte('e');
  for (bool fast : {true, false}) {
    TestIo io(s.data());
    Outcome o = inflateWith(io, int32_t(s.data().size()), fast);
    EXPECT_EQ(o.result, zipOk);
    EXPECT_EQ(std::string(o.out.begin(), o.out.end()), "abcde");
  }
}

TEST(Inflate, Length258AtDistance1) {
  BitStream s;
  s.bits(1, 1).bits(1, 2);
  fixedSymbol(s, 'q');
  fixedMatch(s, 258, 1);
  fixedSymbol(s, 256);
  Outcome o = inflateBytes(s.data());
  EXPECT_EQ(o.result, zipOk);
  EXPECT_TRUE(o.out == Bytes(259, 'q'));
}

// Matches whose distance is shorter than a word repeat their period: every distance 1 to 9 with
// lengths around the word sizes, each after fresh literals, then literals so that the matches are
// decoded well before the input's end (in the fast loop).
TEST(Inflate, ShortDistancesRepeatTheirPeriod) {
  BitStream s;
  s.bits(1, 1).bits(1, 2);
  Bytes expected;
  uint8_t next = 1;
  auto literals = [&](int count) {
    for (int i = 0; i < count; ++i, ++next) {
      fixedSymbol(s, next);
      expected.push_back(next);
    }
  };
  for (int distance = 1; distance <= 9; ++distance)
    for (int length : {3, 7, 8, 9, 15, 16, 17, 41, 258}) {
      literals(9);
      fixedMatch(s, length, distance);
      for (int i = 0; i < length; ++i)
        expected.push_back(expected[expected.size() - size_t(distance)]);
    }
  literals(64);
  fixedSymbol(s, 256);
  for (bool fast : {true, false}) {
    Outcome o = inflateBytes(s.data(), fast);
    EXPECT_EQ(o.result, zipOk);
    EXPECT_TRUE(o.out == expected) << (fast ? "fast" : "exact");
  }
}

// A distance reaching before the first byte reads the zeroed window.
TEST(Inflate, DistanceBeforeFirstByteReadsZeros) {
  BitStream s;
  s.bits(1, 1).bits(1, 2);
  fixedSymbol(s, 'x');
  fixedMatch(s, 5, 3); // two bytes before the start, then 'x', then the two copied zeros
  fixedMatch(s, 3, 32768);
  fixedSymbol(s, 256);
  for (bool fast : {true, false}) {
    Outcome o = inflateBytes(s.data(), fast);
    EXPECT_EQ(o.result, zipOk);
    EXPECT_TRUE(o.out == (Bytes{'x', 0, 0, 'x', 0, 0, 0, 0, 0}));
  }
}

// Stored bytes fill most of a window; matches then cross the window's end and reach back across
// it. Writes are cut at exactly 32768 bytes.
TEST(Inflate, MatchesAcrossWindowBoundary) {
  Bytes pattern = noise(32700, 21);
  BitStream s;
  s.bits(0, 1).bits(0, 2).align().bits(32700, 16).bits(uint16_t(~32700), 16);
  for (uint8_t b : pattern)
    s.byte(b);
  s.bits(1, 1).bits(1, 2);
  fixedMatch(s, 258, 32700); // crosses 32768
  fixedMatch(s, 200, 32768); // reaches back over the boundary
  fixedMatch(s, 100, 7);
  fixedSymbol(s, 256);
  Bytes expected = pattern;
  auto copy = [&](int length, int distance) {
    for (int i = 0; i < length; ++i)
      expected.push_back(expected[expected.size() - distance]);
  };
  copy(258, 32700);
  copy(200, 32768);
  copy(100, 7);
  for (bool fast : {true, false}) {
    TestIo io(s.data());
    Outcome o = inflateWith(io, int32_t(s.data().size()), fast);
    EXPECT_EQ(o.result, zipOk);
    EXPECT_TRUE(o.out == expected);
    EXPECT_EQ(io.writeSizes, (std::vector<size_t>{32768, expected.size() - 32768}));
    EXPECT_EQ(o.crc, crcOf(expected));
  }
}

TEST(Inflate, BlockType3IsBadData) {
  BitStream s;
  s.bits(1, 1).bits(3, 2).bits(0, 13);
  EXPECT_EQ(inflateBytes(s.data()).result, zipBadData);
}

TEST(Inflate, StoredLengthCheckMismatchIsBadData) {
  BitStream s;
  s.bits(1, 1).bits(0, 2).align().bits(5, 16).bits(0xFFFB, 16); // NLEN should be 0xFFFA
  s.byte(1).byte(2).byte(3).byte(4).byte(5);
  EXPECT_EQ(inflateBytes(s.data()).result, zipBadData);
}

struct InvalidCode {
  const char* name;
  int literal;  // fixed literal/length symbol to send
  int distance; // fixed distance code after it, or -1
};

class FixedInvalidCodes : public ::testing::TestWithParam<InvalidCode> {};

// Lengths 286, 287 and distances 30, 31 exist in the fixed code but stand for nothing.
TEST_P(FixedInvalidCodes, AreBadData) {
  BitStream s;
  s.bits(1, 1).bits(1, 2);
  fixedSymbol(s, 'a');
  fixedSymbol(s, GetParam().literal);
  if (GetParam().distance >= 0) s.code(GetParam().distance, 5);
  fixedSymbol(s, 256);
  for (int i = 0; i < 40; ++i)
    fixedSymbol(s, 'z'); // enough input for the fast path to run
  for (bool fast : {true, false})
    EXPECT_EQ(inflateBytes(s.data(), fast).result, zipBadData);
}

INSTANTIATE_TEST_SUITE_P(Inflate, FixedInvalidCodes,
                         ::testing::Values(InvalidCode{"Length286", 286, -1},
                                           InvalidCode{"Length287", 287, -1},
                                           InvalidCode{"Distance30", 257, 30},
                                           InvalidCode{"Distance31", 257, 31}),
                         [](const auto& i) { return std::string(i.param.name); });

// --- Hand-built streams: dynamic blocks ---------------------------------------------------------

TEST(Inflate, DynamicBlockDecodes) {
  DynamicBlock b(simpleLiteralLengths(), std::vector<int>(30, 5));
  BitStream s;
  b.header(s, true);
  b.symbol(s, 'a');
  b.symbol(s, 'b');
  b.symbol(s, 257);     // length 3
  b.distanceCode(s, 1); // distance 2
  b.symbol(s, 256);
  for (bool fast : {true, false}) {
    Outcome o = inflateBytes(s.data(), fast);
    EXPECT_EQ(o.result, zipOk);
    EXPECT_EQ(std::string(o.out.begin(), o.out.end()), "ababa");
  }
}

// The first code-length symbol 16 repeats the previous length, which is 0 at the start.
TEST(Inflate, FirstCodeLengthSymbol16RepeatsZero) {
  // Literals 0, 1 and 2 (8-bit codes, 2/512 each) get no code; six 9-bit literals become 8 bits
  // (1/512 more each), which keeps the set complete.
  std::vector<int> literals = simpleLiteralLengths();
  literals[0] = literals[1] = literals[2] = 0;
  int raised = 0;
  for (int c = 255; raised < 6; --c)
    if (literals[c] == 9) literals[c] = 8, ++raised;
  DynamicHeader h = DynamicHeader::withFullCodeLengthCode();
  h.literalCount = 286;
  h.distanceCount = 30;
  h.symbols.push_back({16, 0}); // three times the previous length: 0
  for (size_t i = 3; i < literals.size(); ++i)
    h.symbols.push_back({literals[i], 0});
  for (int i = 0; i < 30; ++i)
    h.symbols.push_back({5, 0});
  BitStream s;
  s.bits(1, 1).bits(2, 2);
  h.write(s);
  std::vector<uint32_t> codes = canonical(literals);
  s.code(codes['a'], literals['a']).code(codes[256], literals[256]);
  Outcome o = inflateBytes(s.data());
  EXPECT_EQ(o.result, zipOk);
  EXPECT_EQ(std::string(o.out.begin(), o.out.end()), "a");
}

// One distance code of one bit: an incomplete set that is accepted; its missing code is invalid.
TEST(Inflate, SingleOneBitDistanceCode) {
  std::vector<int> distances(30, 0);
  distances[3] = 1; // distance 4, code 0
  DynamicBlock b(simpleLiteralLengths(), distances);
  BitStream ok;
  b.header(ok, true);
  for (char c : std::string("abab"))
    b.symbol(ok, c);
  b.symbol(ok, 258); // length 4
  ok.code(0, 1);     // distance code 3: 4
  b.symbol(ok, 256);
  Outcome o = inflateBytes(ok.data());
  EXPECT_EQ(o.result, zipOk);
  EXPECT_EQ(std::string(o.out.begin(), o.out.end()), "abababab");

  BitStream bad;
  b.header(bad, true);
  b.symbol(bad, 'a');
  b.symbol(bad, 258);
  bad.code(1, 1); // the missing code
  b.symbol(bad, 256);
  for (bool fast : {true, false})
    EXPECT_EQ(inflateBytes(bad.data(), fast).result, zipBadData);
}

// 288 literal/length and 32 distance code lengths are accepted; codes 286, 287, 30 and 31 are
// invalid when they appear.
TEST(Inflate, DynamicCodes286To287And30To31AreInvalid) {
  std::vector<int> literals = simpleLiteralLengths(288);
  // Make room for 286 and 287 (9 bits each): two 8-bit literals become 9 bits.
  int lowered = 0;
  for (int c = 0; lowered < 2; ++c)
    if (literals[c] == 8) literals[c] = 9, ++lowered;
  literals[286] = literals[287] = 9;
  std::vector<int> distances(32, 5);
  for (int bad : {286, 287}) {
    DynamicBlock b(literals, distances);
    BitStream s;
    b.header(s, true);
    b.symbol(s, 'a');
    b.symbol(s, bad);
    b.symbol(s, 256);
    EXPECT_EQ(inflateBytes(s.data()).result, zipBadData) << bad;
  }
  for (int bad : {30, 31}) {
    DynamicBlock b(literals, distances);
    BitStream s;
    b.header(s, true);
    b.symbol(s, 'a');
    b.symbol(s, 257);
    b.distanceCode(s, bad);
    b.symbol(s, 256);
    EXPECT_EQ(inflateBytes(s.data()).result, zipBadData) << bad;
  }
  DynamicBlock b(literals, distances);
  BitStream s;
  b.header(s, true);
  b.symbol(s, 'a');
  b.symbol(s, 257);
  b.distanceCode(s, 0);
  b.symbol(s, 256);
  Outcome o = inflateBytes(s.data());
  EXPECT_EQ(o.result, zipOk);
  EXPECT_EQ(std::string(o.out.begin(), o.out.end()), "aaaa");
}

struct HeaderCase {
  const char* name;
  int result;
  DynamicHeader header;
};

// Code-length sequences that break the header, with the result each must give.
std::vector<HeaderCase> headerCases() {
  std::vector<HeaderCase> cases;
  auto full = [] {
    DynamicHeader h = DynamicHeader::withFullCodeLengthCode();
    h.literalCount = 257;
    h.distanceCount = 1;
    return h;
  };
  { // 16 (repeat 3 to 6) past the end: 1
    DynamicHeader h = full();
    for (int i = 0; i < 256; ++i)
      h.symbols.push_back({8, 0});
    h.symbols.push_back({16, 0}); // 3 more, only 2 left
    cases.push_back({"Repeat16PastEnd", zipCrcError, h});
  }
  { // 17 (3 to 10 zeros) past the end: 1
    DynamicHeader h = full();
    for (int i = 0; i < 255; ++i)
      h.symbols.push_back({8, 0});
    h.symbols.push_back({17, 1}); // 4 zeros, only 3 left
    cases.push_back({"Repeat17PastEnd", zipCrcError, h});
  }
  { // 18 (11 to 138 zeros) past the end: 4
    DynamicHeader h = full();
    for (int i = 0; i < 250; ++i)
      h.symbols.push_back({8, 0});
    h.symbols.push_back({18, 0}); // 11 zeros, only 8 left
    cases.push_back({"Repeat18PastEnd", zipBadData, h});
  }
  { // incomplete literal/length set: 4
    DynamicHeader h = full();
    for (int i = 0; i < 257; ++i)
      h.symbols.push_back({9, 0});
    h.symbols.push_back({1, 0});
    cases.push_back({"IncompleteLiterals", zipBadData, h});
  }
  { // over-subscribed distance set: 4 (three codes of one bit)
    DynamicHeader h = full();
    h.distanceCount = 3;
    for (int i = 0; i < 256; ++i)
      h.symbols.push_back({8, 0});
    h.symbols.push_back({8, 0}); // 256 codes of 8 bits plus end of block: over-subscribed too
    h.symbols.push_back({1, 0});
    h.symbols.push_back({1, 0});
    h.symbols.push_back({1, 0});
    cases.push_back({"OversubscribedLiterals", zipBadData, h});
  }
  { // incomplete code-length code (longest code longer than one bit): 4
    DynamicHeader h;
    h.codeLengthLengths[8] = 2;
    h.codeLengthLengths[0] = 2;
    h.symbols.push_back({8, 0});
    cases.push_back({"IncompleteCodeLengthCode", zipBadData, h});
  }
  { // code-length code with no code at all: its table is empty and using it gives 4
    DynamicHeader h;
    cases.push_back({"EmptyCodeLengthCode", zipBadData, h});
  }
  return cases;
}

class BadHeaders : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(BadHeaders, GiveTheirResult) {
  BitStream s;
  s.bits(1, 1).bits(2, 2);
  GetParam().header.write(s);
  for (int i = 0; i < 64; ++i)
    s.byte(0);
  for (bool fast : {true, false})
    EXPECT_EQ(inflateBytes(s.data(), fast).result, GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(Inflate, BadHeaders, ::testing::ValuesIn(headerCases()),
                         [](const auto& i) { return std::string(i.param.name); });

// A code-length code of a single one-bit code counts as complete. Its unused pattern carries no
// symbol and reads as length 0: here 'a' and end of block get length 1 through code 0, and all
// other lengths are 0 through code 1.
TEST(Inflate, SingleOneBitCodeLengthCode) {
  DynamicHeader h;
  h.codeLengthLengths[1] = 1; // symbol 1 ("length 1") has code 0
  h.literalCount = 257;
  h.distanceCount = 1;
  BitStream s;
  s.bits(1, 1).bits(2, 2);
  h.write(s); // counts and the code-length code, no symbols yet
  for (int i = 0; i < 258; ++i)
    s.code(i == 'a' || i == 256 ? 0 : 1, 1);
  s.code(0, 1).code(0, 1).code(1, 1); // 'a', 'a', end of block
  for (bool fast : {true, false}) {
    Outcome o = inflateBytes(s.data(), fast);
    EXPECT_EQ(o.result, zipOk);
    EXPECT_EQ(std::string(o.out.begin(), o.out.end()), "aa");
  }
}

// All literal/length lengths 0: the table is empty, and the first code decoded through it gives
// 4 (while the distance set may be empty too).
TEST(Inflate, EmptyLiteralTableGives4) {
  DynamicHeader h = DynamicHeader::withFullCodeLengthCode();
  h.literalCount = 257;
  h.distanceCount = 1;
  h.symbols.push_back({18, 127}); // 138 zeros
  h.symbols.push_back({18, 108}); // 119 more: 257
  h.symbols.push_back({0, 0});
  BitStream s;
  s.bits(1, 1).bits(2, 2);
  h.write(s);
  for (bool fast : {true, false})
    EXPECT_EQ(inflateBytes(s.data(), fast).result, zipBadData);
}

// An empty distance table is fine for a block of literals only; a length code then fails.
TEST(Inflate, EmptyDistanceTable) {
  std::vector<int> literals = simpleLiteralLengths();
  DynamicBlock b(literals, std::vector<int>{0});
  BitStream ok;
  b.header(ok, true);
  b.symbol(ok, 'b');
  b.symbol(ok, 'a');
  b.symbol(ok, 256);
  Outcome o = inflateBytes(ok.data());
  EXPECT_EQ(o.result, zipOk);
  EXPECT_EQ(std::string(o.out.begin(), o.out.end()), "ba");
  BitStream bad;
  b.header(bad, true);
  b.symbol(bad, 'b');
  b.symbol(bad, 257);
  for (int i = 0; i < 40; ++i)
    bad.byte(0);
  for (bool fast : {true, false})
    EXPECT_EQ(inflateBytes(bad.data(), fast).result, zipBadData);
}

// --- Input accounting
// -----------------------------------------------------------------------------

// A stored block of `length` bytes with `available` of them present.
Bytes storedStream(uint16_t length, size_t available, uint32_t seed = 5) {
  BitStream s;
  s.bits(1, 1).bits(0, 2).align().bits(length, 16).bits(uint16_t(~length), 16);
  Bytes data = s.data();
  Bytes payload = noise(available, seed);
  data.insert(data.end(), payload.begin(), payload.end());
  return data;
}

TEST(Inflate, ReadsAreWholeBlocksEachAfterAPump) {
  Bytes stream = storedStream(10000, 10000);
  TestIo io(stream);
  Outcome o = inflateWith(io, int32_t(stream.size()));
  EXPECT_EQ(o.result, zipOk);
  EXPECT_EQ(o.log, "PRPRPRPRPRW"); // 5 reads of up to 2048 bytes, then the final write
  for (int32_t r : io.requested)
    EXPECT_EQ(r, Inflater::inputBlockSize);
}

// A failed read ends the input like the end of the file: the old block is decoded once more up
// to the next test of the flag, here inside a stored block.
TEST(Inflate, ReadErrorEndsWith3) {
  Bytes stream = storedStream(5000, 5000);
  for (bool fast : {true, false}) {
    TestIo io(stream);
    io.readsBeforeFailure = 1;
    Outcome o = inflateWith(io, int32_t(stream.size()), fast);
    EXPECT_EQ(o.result, zipReadError);
    EXPECT_EQ(o.log, "PRPR");
  }
}

// When the very first read fails, the decoder sees the zeroed block: a stored block whose length
// check fails (as the local header that a byte-exact reader holds there would decode too).
TEST(Inflate, FirstReadErrorDecodesZeroedBlock) {
  Bytes stream = storedStream(100, 100);
  TestIo io(stream);
  io.readsBeforeFailure = 0;
  EXPECT_EQ(inflateWith(io, int32_t(stream.size())).result, zipBadData);
}

TEST(Inflate, TruncatedStoredBlockEndsWith3) {
  Bytes stream = storedStream(5000, 3000);
  for (bool fast : {true, false}) {
    TestIo io(stream);
    Outcome o = inflateWith(io, 5005, fast);
    EXPECT_EQ(o.result, zipReadError);
    EXPECT_EQ(o.log, "PRPRPR"); // 2048, 957, then nothing
  }
}

#ifndef _WIN32
// Cut zlib streams: the input ends inside the data and the next test of the flag gives 3.
TEST(Inflate, TruncatedDeflateStreamEndsWith3) {
  Bytes data = text(200000);
  Bytes stream = zlibDeflate(data, 6, Z_DEFAULT_STRATEGY);
  for (size_t cut : {size_t(100), size_t(2048), size_t(5000), stream.size() / 2}) {
    Bytes partial(stream.begin(), stream.begin() + cut);
    for (bool fast : {true, false}) {
      TestIo io(partial);
      Outcome o = inflateWith(io, int32_t(stream.size()), fast);
      EXPECT_EQ(o.result, zipReadError) << cut;
    }
  }
}
#endif

// Refills are allowed until more than compressed size + 2 bytes were read, counted in whole
// reads: a stream of 2050 bytes read as 2048 + 2 decodes with a size of 2048 but not of 2045.
TEST(Inflate, CompressedSizeLimitAllowsTwoBytes) {
  Bytes stream = storedStream(2045, 2045);
  ASSERT_EQ(stream.size(), 2050u);
  for (bool fast : {true, false}) {
    TestIo ok(stream);
    EXPECT_EQ(inflateWith(ok, 2048, fast).result, zipOk);
    TestIo cut(stream);
    Outcome o = inflateWith(cut, 2045, fast);
    EXPECT_EQ(o.result, zipReadError);
    EXPECT_EQ(o.log, "PR"); // the second refill raises the flag without reading
  }
}

// After the input ended, decoding goes on with the old block from its start until the next test
// of the flag. Here a stored block's 32768th byte is the first one taken after the end, and the
// window write that it triggers shows which byte that was.
TEST(Inflate, OldBlockIsReusedAfterEndOfFile) {
  Bytes stream = storedStream(40000, 32767); // 32772 bytes: 16 reads of 2048, one of 4
  const uint8_t firstOfLastRead = stream[16 * 2048];
  for (bool fast : {true, false}) {
    TestIo io(stream);
    Outcome o = inflateWith(io, int32_t(stream.size()), fast);
    EXPECT_EQ(o.result, zipReadError);
    ASSERT_EQ(io.writeSizes, std::vector<size_t>{32768});
    EXPECT_TRUE(std::equal(stream.begin() + 5, stream.end(), o.out.begin()));
    EXPECT_EQ(o.out.back(), firstOfLastRead);
    EXPECT_EQ(o.crc, crcOf(o.out));
  }
}

// The same through the compressed-size limit. A fixed block turns 4 bytes into 8, so that the
// stored block after it has written 32767 bytes when 16 reads (32768 bytes) are used up; the
// limit of 32000 + 2 then hands back block 16 from its start instead of reading on.
TEST(Inflate, OldBlockIsReusedAfterCompressedSize) {
  BitStream s;
  s.bits(0, 1).bits(1, 2); // not final, fixed
  fixedSymbol(s, 'L');
  fixedMatch(s, 7, 1); // 7 more bytes from 4 bytes of stream in all
  fixedSymbol(s, 256);
  s.bits(1, 1).bits(0, 2).align().bits(40000, 16).bits(uint16_t(~40000), 16);
  Bytes stream = s.data();
  ASSERT_EQ(stream.size(), 9u);
  Bytes payload = noise(40000, 6);
  stream.insert(stream.end(), payload.begin(), payload.end());
  Bytes expected(8, 'L');
  expected.insert(expected.end(), stream.begin() + 9, stream.begin() + 32768);
  expected.push_back(stream[15 * 2048]);
  ASSERT_EQ(expected.size(), 32768u);
  for (bool fast : {true, false}) {
    TestIo io(stream);
    Outcome o = inflateWith(io, 32000, fast);
    EXPECT_EQ(o.result, zipReadError);
    EXPECT_TRUE(o.out == expected);
    EXPECT_EQ(std::count(o.log.begin(), o.log.end(), 'R'), 16);
    EXPECT_EQ(o.crc, crcOf(expected));
  }
}

// The decoder asks for as many bits as its first-level table uses, even at the final end of
// block: with end of block 1 bit long and 8-bit literals, the last code needs a read past the
// stream's end, which finds nothing, and the result is still 0.
TEST(Inflate, LookupReadsPastTheEndAtFinalCode) {
  std::vector<int> literals(257, 0);
  for (int c = 0; c < 128; ++c)
    literals[c] = 8;
  literals[256] = 1;
  DynamicBlock b(literals, std::vector<int>{1, 1});
  BitStream s;
  b.header(s, true);
  b.symbol(s, 'A');
  b.symbol(s, 256);
  Bytes stream = s.data();
  // The stream's last byte holds the end-of-block bit with fewer than 8 bits after it.
  for (bool fast : {true, false}) {
    TestIo io(stream);
    Outcome o = inflateWith(io, int32_t(stream.size()), fast);
    EXPECT_EQ(o.result, zipOk);
    EXPECT_EQ(std::string(o.out.begin(), o.out.end()), "A");
    EXPECT_EQ(o.log, "PRPRW");
  }
}

// Dynamic literal/length tables are looked up with 9 bits even when codes are longer: with codes
// of 1 (end of block), 2, 3, ... 12 bits and the stream ending on a byte boundary, the final
// look-up needs exactly one byte past the stream (ten bits would need two): with that byte
// present, nothing more is read.
TEST(Inflate, DynamicLiteralLookupUsesNineBits) {
  std::vector<int> literals(257, 0);
  literals[256] = 1;
  for (int i = 0; i < 11; ++i)
    literals['A' + i] = 2 + i;
  literals['A' + 11] = 12;
  for (int count = 1; count <= 8; ++count) {
    // count codes: 'A' (2 bits) and, for odd totals, one 'B' (3 bits) first
    DynamicBlock b(literals, std::vector<int>{1, 1});
    BitStream s;
    b.header(s, true);
    Bytes expected;
    if ((s.bitCount() + 2 * count + 1) % 2) expected.push_back('B');
    expected.resize(count, 'A');
    for (uint8_t c : expected)
      b.symbol(s, c);
    b.symbol(s, 256);
    if (s.bitCount() % 8 != 0) continue;
    Bytes stream = s.data();
    for (bool fast : {true, false}) {
      Bytes withOne = stream;
      withOne.push_back(0x50);
      TestIo one(withOne);
      Outcome o = inflateWith(one, int32_t(stream.size()), fast);
      EXPECT_EQ(o.result, zipOk);
      EXPECT_EQ(o.out, expected);
      EXPECT_EQ(o.log, "PRW");
      // Without it, already the code before end of block is looked up past the end of the file.
      TestIo none(stream);
      Outcome cut = inflateWith(none, int32_t(stream.size()), fast);
      EXPECT_EQ(cut.result, zipReadError);
      EXPECT_EQ(cut.log, "PRPR");
    }
    return;
  }
  FAIL() << "no count of codes ends the stream on a byte boundary";
}

// A code longer than the first level that still ends within the input is taken with the reference
// decoder's own requests: with 'I' (10 bits) alone in its 9-bit prefix but codes of up to 13 bits
// elsewhere, the file read up to the end of block needs no further read, and the read past the
// end comes with the end of block, which ends the stream: 0, not 3.
TEST(Inflate, ALongCodeEndingWithinTheInputReadsNoFurther) {
  std::vector<int> literals(257, 0);
  literals[256] = 1;
  for (int i = 0; i < 7; ++i)
    literals['A' + i] = 2 + i; // 'A' to 'G': 2 to 8 bits
  for (int c : {'I', 'J', 'K'})
    literals[c] = 10;
  literals['L'] = 11, literals['M'] = 12, literals['N'] = 13, literals['O'] = 13;
  // 'A's, and a 'B' for the other parity, so that the stream ends 0 or 1 bit short of a byte.
  for (int count = 2; count <= 9; ++count) {
    DynamicBlock b(literals, std::vector<int>{1, 1});
    BitStream s;
    b.header(s, true);
    Bytes expected(size_t(count / 2), 'A');
    if (count % 2) expected.push_back('B');
    expected.push_back('I');
    for (uint8_t c : expected)
      b.symbol(s, c);
    b.symbol(s, 256);
    if (s.bitCount() % 8 != 0 && s.bitCount() % 8 != 7) continue;
    Bytes stream = s.data();
    for (bool fast : {true, false}) {
      TestIo io(stream);
      Outcome o = inflateWith(io, int32_t(stream.size()), fast);
      EXPECT_EQ(o.result, zipOk) << (fast ? "fast" : "exact");
      EXPECT_EQ(o.out, expected);
      EXPECT_EQ(o.log, "PRPRW");
    }
    return;
  }
  FAIL() << "no count of codes ends the stream within a bit of a byte boundary";
}

// The same look-ahead before the last code: when the file ends right after the stream, the
// look-up of the code before end of block already finds the end, and the next test gives 3.
TEST(Inflate, LookupPastEndOfFileBeforeLastCodeGives3) {
  std::vector<int> literals = simpleLiteralLengths();
  DynamicBlock b(literals, std::vector<int>{0});
  BitStream s;
  b.header(s, true);
  b.symbol(s, 'b');
  b.symbol(s, 'a');
  b.symbol(s, 256); // 'a' and end of block are 3 bits each: 'a' is looked up with 9 bits
  Bytes stream = s.data();
  for (bool fast : {true, false}) {
    TestIo io(stream);
    EXPECT_EQ(inflateWith(io, int32_t(stream.size()), fast).result, zipReadError);
    EXPECT_EQ(inflateBytes(stream, fast).result, zipOk); // with records after the data
  }
}

// --- Output
// ---------------------------------------------------------------------------------------

TEST(Inflate, FailedFinalWriteGives2) {
  BitStream s;
  s.bits(1, 1).bits(1, 2);
  fixedSymbol(s, 'a');
  fixedSymbol(s, 256);
  TestIo io(s.data());
  io.writesBeforeFailure = 0;
  Outcome o = inflateWith(io, int32_t(s.data().size()));
  EXPECT_EQ(o.result, zipWriteError);
  EXPECT_EQ(o.crc, crcOf(Bytes{'a'})); // counted although not written
}

// A failed window write ends decoding at once: no later write, and the CRC covers that window.
TEST(Inflate, FailedWindowWriteGives2) {
  Bytes stream = storedStream(60000, 60000);
  for (bool fast : {true, false}) {
    TestIo io(stream);
    io.writesBeforeFailure = 0;
    Outcome o = inflateWith(io, int32_t(stream.size()), fast);
    EXPECT_EQ(o.result, zipWriteError);
    EXPECT_EQ(io.writeSizes, std::vector<size_t>{32768});
    EXPECT_EQ(o.crc, crcOf(Bytes(stream.begin() + 5, stream.begin() + 5 + 32768)));
  }
}

// --- Stored entries and data descriptors --------------------------------------------------------

TEST(Inflate, CopyStoredWritesWindowsAndPumps) {
  Bytes data = noise(70000, 8);
  TestIo io(data);
  Inflater inflater(io);
  inflater.begin(int32_t(data.size()));
  EXPECT_EQ(inflater.copyStored(), zipOk);
  EXPECT_TRUE(io.out == data);
  EXPECT_EQ(io.log, "RWPRWPRWP");
  EXPECT_EQ(io.requested, (std::vector<int32_t>{32768, 32768, 70000 - 65536}));
  EXPECT_EQ(inflater.crc(), crcOf(data));
}

TEST(Inflate, CopyStoredShortInputGives3) {
  Bytes data = noise(3000, 9);
  TestIo io(data);
  Inflater inflater(io);
  inflater.begin(5000);
  EXPECT_EQ(inflater.copyStored(), zipReadError);
  EXPECT_TRUE(io.out.empty());
}

TEST(Inflate, CopyStoredFailedWriteGives2) {
  Bytes data = noise(100, 9);
  TestIo io(data);
  io.writesBeforeFailure = 0;
  Inflater inflater(io);
  inflater.begin(100);
  EXPECT_EQ(inflater.copyStored(), zipWriteError);
}

Bytes descriptor(uint32_t crc) {
  Bytes d = {0x50, 0x4B, 0x07, 0x08};
  for (int i = 0; i < 4; ++i)
    d.push_back(uint8_t(crc >> (8 * i)));
  for (int i = 0; i < 8; ++i)
    d.push_back(uint8_t(0x11 * i)); // sizes, not read
  return d;
}

uint32_t readDescriptorCrc(Inflater& inflater) {
  EXPECT_EQ(inflater.takeBits(16), 0x4B50u);
  EXPECT_EQ(inflater.takeBits(16), 0x0807u);
  uint32_t crc = inflater.takeBits(16);
  return crc | inflater.takeBits(16) << 16;
}

TEST(Inflate, DataDescriptorAfterInflate) {
  BitStream s;
  s.bits(1, 1).bits(1, 2);
  for (char c : std::string("descriptor"))
    fixedSymbol(s, c);
  fixedSymbol(s, 256);
  Bytes stream = s.data();
  Bytes file = stream;
  Bytes expected = {'d', 'e', 's', 'c', 'r', 'i', 'p', 't', 'o', 'r'};
  Bytes d = descriptor(~crcOf(expected));
  file.insert(file.end(), d.begin(), d.end());
  for (bool fast : {true, false}) {
    TestIo io(file);
    Inflater inflater(io);
    inflater.setFastPath(fast);
    inflater.begin(0x7FFFFF9B); // sizes follow the data
    ASSERT_EQ(inflater.inflate(), zipOk);
    inflater.alignToByte();
    EXPECT_EQ(readDescriptorCrc(inflater), ~inflater.crc());
  }
}

#ifndef _WIN32
// A long entry, so that the fast path has held bytes ahead in its bit buffer when it stops.
TEST(Inflate, DataDescriptorAfterLongInflate) {
  Bytes data = text(300000);
  Bytes file = zlibDeflate(data, 6, Z_DEFAULT_STRATEGY);
  Bytes d = descriptor(uint32_t(crc32(0, data.data(), uInt(data.size()))));
  file.insert(file.end(), d.begin(), d.end());
  TestIo io(file);
  Inflater inflater(io);
  inflater.begin(0x7FFFFF9B);
  ASSERT_EQ(inflater.inflate(), zipOk);
  inflater.alignToByte();
  EXPECT_EQ(readDescriptorCrc(inflater), ~inflater.crc());
}
#endif

TEST(Inflate, DataDescriptorAfterCopyStored) {
  Bytes data = noise(5000, 4);
  Bytes file = data;
  Bytes d = descriptor(~crcOf(data));
  file.insert(file.end(), d.begin(), d.end());
  TestIo io(file);
  Inflater inflater(io);
  inflater.begin(int32_t(data.size()));
  ASSERT_EQ(inflater.copyStored(), zipOk);
  inflater.resetInput();
  EXPECT_EQ(readDescriptorCrc(inflater), ~inflater.crc());
}

} // namespace

namespace {

// The history a workspace keeps between entries: an entry long enough to move its output into the
// history (more than the buffer's windows) must leave the next entry zeros before its first byte.
TEST(Inflate, EntriesOnOneWorkspaceEachStartWithAZeroedHistory) {
  BitStream longEntry;
  longEntry.bits(1, 1).bits(1, 2);
  fixedSymbol(longEntry, 'a');
  for (int i = 0; i < 2400; ++i) // 619 KB of 'a', more than the buffer holds
    fixedMatch(longEntry, 258, 1);
  fixedSymbol(longEntry, 256);
  BitStream reachesBack;
  reachesBack.bits(1, 1).bits(1, 2);
  fixedSymbol(reachesBack, 'x');
  fixedMatch(reachesBack, 4, 32768); // the whole history before the first byte
  fixedSymbol(reachesBack, 256);

  InflateWorkspace workspace;
  ASSERT_TRUE(workspace.ok());
  for (bool fast : {true, false}) {
    for (int round = 0; round < 2; ++round) {
      for (const Bytes& stream : {longEntry.data(), reachesBack.data()}) {
        TestIo io(stream);
        Inflater inflater(io, workspace);
        inflater.setFastPath(fast);
        inflater.begin(int32_t(stream.size()));
        ASSERT_EQ(inflater.inflate(), zipOk);
        TestIo alone(stream);
        Outcome own = inflateWith(alone, int32_t(stream.size()), fast);
        EXPECT_TRUE(io.out == own.out) << "fast " << fast << ", round " << round;
        EXPECT_EQ(inflater.crc(), own.crc);
      }
    }
  }
  TestIo io(reachesBack.data());
  Inflater inflater(io, workspace);
  inflater.begin(int32_t(reachesBack.data().size()));
  ASSERT_EQ(inflater.inflate(), zipOk);
  EXPECT_TRUE(io.out == (Bytes{'x', 0, 0, 0, 0}));
}

} // namespace
