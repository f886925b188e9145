// Inflate decoder: stored copy, block decoding, the exact bit-by-bit path and the fast loop.

#include "archive/inflate.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "archive/crc32.h"
#include "archive/fastinflate.h"

namespace {

constexpr size_t historySize = Inflater::windowSize;
// The output buffer starts with room for two windows, enough for most entries, and grows to many
// once an entry fills it: the latest history then moves to the front once per many windows. A
// small first buffer keeps a job's set-up cheap (a large block costs the system a mapping of its
// own, and a sanitizer poisoning and unpoisoning all of it).
constexpr size_t firstWindows = 2;
constexpr size_t grownWindows = 16;
// Room behind the last window: a match that starts just before a window's end and the fast copy's
// overrun past a match.
constexpr size_t outputSlack = 320;
static_assert(outputSlack >= fast::roundWrites);
constexpr size_t outputSize(size_t windows) {
  return historySize + windows * Inflater::windowSize + outputSlack;
}

// First-level bits asked for by the reference tables.
constexpr int fixedLiteralBits = 7;
constexpr int fixedDistanceBits = 5;
constexpr int literalLookupBits = 9;
constexpr int distanceLookupBits = 6;
constexpr int codeLengthLookupBits = 7;

const uint8_t codeLengthOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                     11, 4,  12, 3, 13, 2, 14, 1, 15};

// A code set that cannot be decoded with. Lack of memory is reported as the input running out, as
// the decoder does when its window cannot be had; every other failure is corrupt data.
ZipResult codeSetFailure(HuffResult result) {
  return result == huffNoMemory ? zipReadError : zipBadData;
}

// How a block's symbols ended, as the block's result.
ZipResult blockResult(SymbolStep step) {
  return step == SymbolStep::endOfBlock ? zipOk : zipBadData;
}

} // namespace

struct InflateWorkspace::Tables {
  HuffmanTable codeLength, literal, distance;
  HuffmanTable fixedLiteral, fixedDistance;
  bool fixedBuilt = false;
  int fixedLiteralLongest = 0, fixedDistanceLongest = 0;
  uint16_t lengths[320]; // of the dynamic block: literal/length codes, then distance codes
  int literalCount = 0, distanceCount = 0;
  CodeShape literalShape, distanceShape;
  uint32_t fastLiteral[fast::literalTableSize];
  uint32_t fastDistance[fast::distanceTableSize];
  uint32_t fastFixedLiteral[1u << fast::literalRootBits];
  uint32_t fastFixedDistance[1u << fast::distanceRootBits];
};

// The exact path needs the reference tables only for codes longer than their first level, which
// few blocks meet there; a dynamic block's reference tables are built when first needed.
struct Inflater::BlockCodes {
  struct Kind { // literal/length or distance codes
    HuffmanTable* reference;
    const uint32_t* fast;
    int fastRootBits; // first-level bits of the fast table
    int lookupBits;   // first-level bits of the reference table
    int longest;      // longest code of the set
    bool ready;       // the reference table is built
  };
  Kind literal, distance;

  Kind& of(bool isDistance) { return isDistance ? distance : literal; }
  const Kind& of(bool isDistance) const { return isDistance ? distance : literal; }
};

// A symbol as the reference tables give it: operation and value of its entry.
struct Inflater::Symbol {
  int operation;
  int value;
};

// begin() zeroes the history when needed; all else is written before it is read.
InflateWorkspace::InflateWorkspace()
    : output_(new (std::nothrow) uint8_t[outputSize(firstWindows)]), outputWindows_(firstWindows),
      tables_(new (std::nothrow) Tables) {}

bool InflateWorkspace::grow(const uint8_t* history, size_t keep) {
  if (outputWindows_ >= grownWindows) return false;
  std::unique_ptr<uint8_t[]> grown(new (std::nothrow) uint8_t[outputSize(grownWindows)]);
  if (!grown) return false; // the small buffer goes on serving
  std::memcpy(grown.get(), history, keep);
  output_ = std::move(grown);
  outputWindows_ = grownWindows;
  return true;
}

InflateWorkspace::~InflateWorkspace() = default;

Inflater::Inflater(InflateIo& io)
    : io_(io), ownWorkspace_(std::make_unique<InflateWorkspace>()), workspace_(*ownWorkspace_),
      fastDecoder_(chooseFastDecoder()) {
  memoryOk_ = workspace_.ok();
  output_ = workspace_.output_.get();
  tables_ = workspace_.tables_.get();
  resetInput();
}

Inflater::Inflater(InflateIo& io, InflateWorkspace& workspace)
    : io_(io), workspace_(workspace), fastDecoder_(chooseFastDecoder()) {
  memoryOk_ = workspace_.ok();
  output_ = workspace_.output_.get();
  tables_ = workspace_.tables_.get();
  resetInput();
}

Inflater::~Inflater() = default;

void Inflater::begin(int32_t compressedSize) {
  compressedSize_ = compressedSize;
  bytesRead_ = 0;
  inputEnd_ = false;
  crc_ = 0xFFFFFFFF;
  // A block given again after the input ended starts with these bytes if nothing was read before;
  // zeros decode the same way as the local header that a byte-exact reader would hold there (a
  // stored block whose lengths do not match).
  std::memset(inBuf_, 0, sizeof inBuf_);
  // Output is written only behind the history, which changes only when the buffer is full and
  // the latest window moves to the front (flushWindow): most entries leave it zero.
  if (memoryOk_ && workspace_.historyDirty_) {
    std::memset(output_, 0, historySize);
    workspace_.historyDirty_ = false;
  }
}

// --- Input and bits ---------------------------------------------------------------------------

void Inflater::fillInput() {
  if (bytesRead_ > int64_t(compressedSize_) + 2) {
    inputEnd_ = true;
    inLast_ = inputBlockSize - 1;
    inPos_ = 0;
    return;
  }
  io_.pumpMessages();
  int32_t n = io_.read(inBuf_, inputBlockSize);
  if (n <= 0) {
    inputEnd_ = true; // the old contents are decoded again until the flag is tested
    n = inputBlockSize;
  }
  n = std::min(n, inputBlockSize);
  bytesRead_ += n;
  inLast_ = n - 1;
  inPos_ = 0;
}

void Inflater::needBits(int n) {
  while (bitCount_ < n) {
    if (inPos_ > inLast_) fillInput();
    bitBuf_ |= uint64_t(inBuf_[inPos_++]) << bitCount_;
    bitCount_ += 8;
  }
}

// Takes the whole bytes that fit into the bit buffer at once, when the input block holds eight
// more: the bytes come from this block in their order, so no later refill happens sooner.
void Inflater::fillBitsWithinBlock() {
  if (inLast_ + 1 - inPos_ < 8) return;
  uint64_t v = loadLittleEndian64(inBuf_ + inPos_);
  int bytes = (63 - bitCount_) >> 3;
  bitBuf_ |= (v & ((uint64_t(1) << (8 * bytes)) - 1)) << bitCount_;
  bitCount_ += 8 * bytes;
  inPos_ += bytes;
}

void Inflater::dumpBits(int n) {
  bitBuf_ >>= n;
  bitCount_ -= n;
}

uint32_t Inflater::takeBits(int n) {
  needBits(n);
  uint32_t v = peekBits(n);
  dumpBits(n);
  return v;
}

void Inflater::alignToByte() {
  dumpBits(bitCount_ & 7);
}

void Inflater::resetInput() {
  inPos_ = 0;
  inLast_ = -1;
  bitBuf_ = 0;
  bitCount_ = 0;
  if (memoryOk_) {
    outPos_ = output_ + historySize;
    windowEnd_ = outPos_ + windowSize;
  }
}

// --- Output -----------------------------------------------------------------------------------

bool Inflater::writeOut(const uint8_t* data, size_t size) {
  bool ok = io_.write(data, size);
  crc_ = updateCrc(crc_, data, size); // counted whether written or not
  return ok;
}

size_t Inflater::windowPosition() const {
  return size_t(outPos_ - (windowEnd_ - windowSize));
}

// Writes the full window that ends at windowEnd_. Bytes decoded past it (the rest of a match)
// belong to the next window.
bool Inflater::flushWindow() {
  bool ok = writeOut(windowEnd_ - windowSize, windowSize);
  if (windowEnd_ == output_ + historySize + workspace_.outputWindows_ * windowSize) {
    size_t keep = historySize + size_t(outPos_ - windowEnd_);
    if (workspace_.grow(windowEnd_ - historySize, keep))
      output_ = workspace_.output_.get();
    else
      std::memmove(output_, windowEnd_ - historySize, keep);
    workspace_.historyDirty_ = true;
    outPos_ = output_ + keep;
    windowEnd_ = output_ + historySize;
  }
  windowEnd_ += windowSize;
  return ok;
}

// --- Entry level ------------------------------------------------------------------------------

ZipResult Inflater::copyStored() {
  if (!memoryOk_) return zipReadError;
  uint8_t* window = output_ + historySize;
  while (bytesRead_ < compressedSize_) {
    int32_t n = int32_t(std::min<int64_t>(compressedSize_ - bytesRead_, int64_t(windowSize)));
    if (io_.read(window, n) != n) return zipReadError;
    if (!writeOut(window, size_t(n))) return zipWriteError;
    bytesRead_ += n;
    io_.pumpMessages();
  }
  return zipOk;
}

ZipResult Inflater::inflate() {
  if (!memoryOk_) return codeSetFailure(huffNoMemory);
  resetInput();
  bool last = false;
  do {
    ZipResult result = inflateBlock(last);
    if (result != zipOk) return result;
  } while (!last);
  size_t n = windowPosition();
  return (n == 0 || writeOut(outPos_ - n, n)) ? zipOk : zipWriteError;
}

ZipResult Inflater::inflateBlock(bool& last) {
  last = takeBits(1) != 0;
  switch (takeBits(2)) {
  case 0:
    return inflateStored();
  case 1:
    return inflateFixed();
  case 2:
    return inflateDynamic();
  default:
    return zipBadData; // block type 3 is reserved
  }
}

// Stored block: LEN and its complement NLEN on the next byte boundary, then LEN bytes. Bytes are
// taken one by one in the reference decoder; whole runs inside the current input block are moved
// at once, which takes the same bytes and cannot meet a refill.
ZipResult Inflater::inflateStored() {
  dumpBits(bitCount_ & 7);
  uint32_t length = takeBits(16);
  uint32_t check = takeBits(16);
  if (length != (~check & 0xFFFF)) return zipBadData;
  while (length > 0 && !inputEnd_) {
    if (fastEnabled_ && bitCount_ == 0 && inPos_ <= inLast_) {
      size_t n =
          std::min({size_t(length), size_t(inLast_ + 1 - inPos_), size_t(windowEnd_ - outPos_)});
      std::memcpy(outPos_, inBuf_ + inPos_, n);
      outPos_ += n;
      inPos_ += int32_t(n);
      length -= uint32_t(n);
    } else {
      *outPos_++ = uint8_t(takeBits(8));
      --length;
    }
    if (outPos_ == windowEnd_ && !flushWindow()) return zipWriteError;
  }
  return inputEnd_ ? zipReadError : zipOk; // also when every byte arrived before the end
}

// Fixed codes (RFC 1951, 3.2.6). The distance set lacks codes 30 and 31, so it is incomplete and
// those codes are invalid; the literal set includes the invalid lengths 286 and 287.
ZipResult Inflater::inflateFixed() {
  Tables& t = *tables_;
  if (!t.fixedBuilt) {
    uint16_t lengths[288];
    std::fill(lengths, lengths + 144, uint16_t(8));
    std::fill(lengths + 144, lengths + 256, uint16_t(9));
    std::fill(lengths + 256, lengths + 280, uint16_t(7));
    std::fill(lengths + 280, lengths + 288, uint16_t(8));
    CodeShape literalShape = shapeCodes(lengths, 288, fixedLiteralBits);
    HuffResult result = t.fixedLiteral.build(lengths, 288, literalLengthSymbols, literalShape);
    if (result != huffComplete) return codeSetFailure(result);
    uint16_t distances[30];
    std::fill(distances, distances + 30, uint16_t(5));
    CodeShape distanceShape = shapeCodes(distances, 30, fixedDistanceBits);
    if (t.fixedDistance.build(distances, 30, distanceSymbols, distanceShape) > huffIncomplete)
      return zipBadData;
    buildFastTable(lengths, 288, literalShape, literalLengthSymbols, fast::literalRootBits,
                   t.fastFixedLiteral);
    buildFastTable(distances, 30, distanceShape, distanceSymbols, fast::distanceRootBits,
                   t.fastFixedDistance);
    t.fixedLiteralLongest = literalShape.longest;
    t.fixedDistanceLongest = distanceShape.longest;
    t.fixedBuilt = true;
  }
  BlockCodes codes{{&t.fixedLiteral, t.fastFixedLiteral, fast::literalRootBits,
                    t.fixedLiteral.lookupBits(), t.fixedLiteralLongest, true},
                   {&t.fixedDistance, t.fastFixedDistance, fast::distanceRootBits,
                    t.fixedDistance.lookupBits(), t.fixedDistanceLongest, true}};
  return inflateCodes(codes);
}

// Dynamic codes (RFC 1951, 3.2.7). The counts accept all that their fields hold (up to 288
// literal/length and 32 distance codes); the extra codes are invalid if ever decoded.
ZipResult Inflater::inflateDynamic() {
  Tables& t = *tables_;
  int literalCount = int(takeBits(5)) + 257;
  int distanceCount = int(takeBits(5)) + 1;
  int lengthCodeCount = int(takeBits(4)) + 4;
  uint16_t lengthCodes[19] = {};
  for (int i = 0; i < lengthCodeCount; ++i)
    lengthCodes[codeLengthOrder[i]] = uint16_t(takeBits(3));
  // An incomplete code-length set is refused, except a single code of one bit.
  HuffResult built = t.codeLength.build(lengthCodes, 19, codeLengthSymbols, codeLengthLookupBits);
  if (built != huffComplete) return zipBadData;
  ZipResult result = readCodeLengths(t.lengths, literalCount + distanceCount);
  if (result != zipOk) return result;

  const uint16_t* distances = t.lengths + literalCount;
  t.literalCount = literalCount;
  t.distanceCount = distanceCount;
  t.literalShape = shapeCodes(t.lengths, literalCount, literalLookupBits);
  if (t.literalShape.result != huffComplete) return zipBadData;
  t.distanceShape = shapeCodes(distances, distanceCount, distanceLookupBits);
  if (t.distanceShape.result > huffIncomplete) return zipBadData; // incomplete distances are fine
  // The exact path alone (the test hook) decodes through the reference tables only.
  if (fastEnabled_) {
    buildFastTable(t.lengths, literalCount, t.literalShape, literalLengthSymbols,
                   fast::literalRootBits, t.fastLiteral);
    buildFastTable(distances, distanceCount, t.distanceShape, distanceSymbols,
                   fast::distanceRootBits, t.fastDistance);
  }
  BlockCodes codes{{&t.literal, t.fastLiteral, fast::literalRootBits, t.literalShape.lookupBits,
                    t.literalShape.longest, false},
                   {&t.distance, t.fastDistance, fast::distanceRootBits, t.distanceShape.lookupBits,
                    t.distanceShape.longest, false}};
  return inflateCodes(codes);
}

// The literal/length and distance code lengths, sent as one sequence in the code-length code. A
// repeat may run from the literal part into the distance part but not past the end: 16 and 17
// report that as 1, 18 as 4. A repeat of the previous length at the very start repeats 0.
ZipResult Inflater::readCodeLengths(uint16_t* lengths, int total) {
  const HuffmanTable& table = tables_->codeLength;
  int lookup = table.lookupBits();
  uint16_t previous = 0;
  for (int i = 0; i < total;) {
    if (table.empty()) return zipBadData;
    // A symbol and its repeat bits take at most 14 bits.
    if (fastEnabled_ && bitCount_ < 14) fillBitsWithinBlock();
    // Every code of this set fits in the first level. Unused patterns of a one-bit set decode as
    // length 0: their entries carry no symbol and are not tested here.
    needBits(lookup);
    const HuffEntry& e = table.entry(peekBits(lookup));
    dumpBits(e.bits);
    int symbol = e.value;
    if (symbol < 16) {
      lengths[i++] = previous = uint16_t(symbol);
      continue;
    }
    int repeat;
    uint16_t value = 0;
    if (symbol == 16) {
      repeat = 3 + int(takeBits(2));
      if (i + repeat > total) return zipCrcError;
      value = previous;
    } else if (symbol == 17) {
      repeat = 3 + int(takeBits(3));
      if (i + repeat > total) return zipCrcError;
    } else {
      repeat = 11 + int(takeBits(7));
      if (i + repeat > total) return zipBadData;
    }
    std::fill(lengths + i, lengths + i + repeat, value);
    i += repeat;
    previous = value;
  }
  return zipOk;
}

// --- Codes ------------------------------------------------------------------------------------

// Decodes the block's symbols until end of block, an error, or a test of the input-end flag
// finds it raised. The window is written as soon as a symbol fills it.
ZipResult Inflater::inflateCodes(BlockCodes& codes) {
  for (;;) {
    if (inputEnd_) return zipReadError;
    SymbolStep step = fastPossible() ? fastSymbols(codes) : exactSymbol(codes);
    if (outPos_ >= windowEnd_ && !flushWindow()) return zipWriteError;
    if (step != SymbolStep::more) return blockResult(step);
  }
}

// One symbol through the exact path: every bit request as the reference decoder makes it.
SymbolStep Inflater::exactSymbol(BlockCodes& codes) {
  Symbol s;
  if (!decodeExact(codes, false, s)) return SymbolStep::invalidCode;
  if (s.operation == opLiteral) {
    *outPos_++ = uint8_t(s.value);
    return SymbolStep::more;
  }
  if (s.operation == opEndOfBlock) return SymbolStep::endOfBlock;
  uint32_t length = uint32_t(s.value) + takeBits(s.operation);
  if (!decodeExact(codes, true, s)) return SymbolStep::invalidCode;
  uint32_t distance = uint32_t(s.value) + takeBits(s.operation);
  // Distances reaching before the entry's first byte read the zeroed history. A match longer than
  // its distance repeats the last `distance` bytes: once a period is copied, the bytes twice as far
  // back hold the same pattern, so each piece can be twice as long as the one before and never
  // overlaps its source.
  for (uint32_t step = distance; length > 0; step *= 2) {
    uint32_t n = std::min(length, step);
    std::memcpy(outPos_, outPos_ - step, n);
    outPos_ += n;
    length -= n;
  }
  return SymbolStep::more;
}

// One code: through the reference decoder, or, with the fast path on, through one of the two
// shortcuts that take the same bits in the same requests.
bool Inflater::decodeExact(BlockCodes& codes, bool distance, Symbol& symbol) {
  if (fastEnabled_ && (decodeWholeCodeInBlock(codes, distance, symbol) ||
                       decodeFromFastFirstLevel(codes, distance, symbol)))
    return true;
  return decodeReference(codes, distance, symbol);
}

// The reference decoder: the first level's bits, then each sub-table's bits, asked of the bit
// reader one level at a time. An invalid code, a link to nowhere and an empty table (a block whose
// lengths of that kind are all 0) are corrupt data.
bool Inflater::decodeReference(BlockCodes& codes, bool distance, Symbol& symbol) {
  const BlockCodes::Kind& kind = codes.of(distance);
  if (!kind.ready && !buildReference(codes, distance)) return false;
  const HuffmanTable& table = *kind.reference;
  if (table.empty()) return false;
  int lookup = kind.lookupBits;
  needBits(lookup);
  const HuffEntry* entry = &table.entry(peekBits(lookup));
  while (entry->operation > opLiteral) {
    if (entry->operation == opInvalid) return false;
    dumpBits(entry->bits);
    int n = entry->operation - opLiteral;
    needBits(n);
    entry = &table.entry(entry->next + peekBits(n));
  }
  dumpBits(entry->bits);
  symbol = {entry->operation, entry->value};
  return true;
}

// A dynamic block's reference tables, built when a code first needs them.
bool Inflater::buildReference(BlockCodes& codes, bool distance) {
  Tables& t = *tables_;
  codes.of(distance).ready = true;
  if (distance) {
    return t.distance.build(t.lengths + t.literalCount, t.distanceCount, distanceSymbols,
                            t.distanceShape) <= huffIncomplete;
  }
  return t.literal.build(t.lengths, t.literalCount, literalLengthSymbols, t.literalShape) ==
         huffComplete;
}

namespace {

// The symbol of a fast entry for a symbol (not a link), as the reference tables give it.
void fastSymbol(uint32_t e, int& operation, int& value) {
  if (fast::isLiteral(e)) {
    operation = opLiteral, value = fast::literalByte(e);
  } else if (fast::isEndOfBlock(e)) {
    operation = opEndOfBlock, value = 256;
  } else {
    operation = int(fast::dropBits(e) - fast::codeBits(e)), value = int(fast::base(e));
  }
}

// A whole code looked up in a fast table from bits that start with it: its symbol's entry, taken
// from the sub-table when the first level links to one (sub-tables hold no links), and the code's
// bits at both levels.
struct FastCode {
  uint32_t entry;
  int bits;
};

FastCode lookUpFastCode(const uint32_t* table, int rootBits, uint64_t bits) {
  uint32_t e = table[uint32_t(bits) & ((uint32_t(1) << rootBits) - 1)];
  int used = 0;
  if (fast::isLink(e)) {
    used = rootBits;
    e = fast::subTableEntry(table, e, bits >> used);
  }
  return {e, used + int(fast::symbolCodeBits(e))};
}

} // namespace

// Shortcut 1: the reference decoder's requests for one code reach at most as far as the set's
// longest code (each table level's bits end within it). When the input block holds that many bits,
// none of them can reach past it, so the whole code is taken through the fast tables at once; bits
// past the longest code are zero and no code depends on them. Invalid codes are left to the
// reference decoder. Near a block's end this spares most blocks the reference tables.
bool Inflater::decodeWholeCodeInBlock(const BlockCodes& codes, bool distance, Symbol& symbol) {
  const BlockCodes::Kind& kind = codes.of(distance);
  if (bitsInBlock() < kind.longest) return false;
  needBits(kind.longest);
  FastCode code = lookUpFastCode(kind.fast, kind.fastRootBits, bitBuf_);
  if (fast::isInvalid(code.entry)) return false;
  dumpBits(code.bits);
  fastSymbol(code.entry, symbol.operation, symbol.value);
  return true;
}

// Shortcut 2, near the block's end: the reference decoder first asks for its first level's bits.
// When that request brought the next block in, the rest of the code lies within it and shortcut 1
// takes it whole. Otherwise a code that ends within the first request is found in the fast table's
// first level, where bits not yet taken are zero and such a code does not depend on them. Longer
// codes are left to the reference decoder, which goes on from the same first request.
bool Inflater::decodeFromFastFirstLevel(const BlockCodes& codes, bool distance, Symbol& symbol) {
  const BlockCodes::Kind& kind = codes.of(distance);
  needBits(kind.lookupBits);
  if (decodeWholeCodeInBlock(codes, distance, symbol)) return true;
  uint32_t e = kind.fast[peekBits(kind.fastRootBits)];
  if (fast::isInvalid(e)) return false;
  if (!fast::isLink(e) && int(fast::symbolCodeBits(e)) <= kind.lookupBits) {
    dumpBits(int(fast::symbolCodeBits(e)));
    fastSymbol(e, symbol.operation, symbol.value);
    return true;
  }
  return decodePastBlock(codes, distance, symbol);
}

// Shortcut 3: a code longer than the bits left in the block. The reference decoder's requests for
// it then reach past the block whatever its tables' shapes, so the next block comes in during this
// code either way, and its bytes follow in the same order. With all the block's bits in hand (bits
// past them read as zeros) the fast table tells whether the code is that long: a shorter code
// found there is the true one. Once one more byte has brought the next block in, shortcut 1 takes
// the code whole.
bool Inflater::decodePastBlock(const BlockCodes& codes, bool distance, Symbol& symbol) {
  const BlockCodes::Kind& kind = codes.of(distance);
  int inBlock = bitsInBlock();
  if (inBlock >= kind.longest) return false; // an invalid code, for the reference decoder to find
  needBits(inBlock);
  FastCode code = lookUpFastCode(kind.fast, kind.fastRootBits, bitBuf_);
  if (fast::isInvalid(code.entry)) return false;
  if (code.bits <= inBlock) return false;
  needBits(inBlock + 1);
  return decodeWholeCodeInBlock(codes, distance, symbol);
}

bool Inflater::fastPossible() const {
  return fastEnabled_ && outPos_ < windowEnd_ &&
         fastRoundFits(inBuf_ + inPos_, inBuf_ + inLast_ + 1, unsigned(bitCount_));
}

SymbolStep Inflater::fastSymbols(const BlockCodes& codes) {
  FastState state{inBuf_ + inPos_, inBuf_ + inLast_ + 1, outPos_, windowEnd_,
                  bitBuf_,         unsigned(bitCount_)};
  SymbolStep step = fastDecoder_(state, codes.literal.fast, codes.distance.fast);
  inPos_ = int32_t(state.in - inBuf_);
  outPos_ = state.out;
  bitBuf_ = state.bits;
  bitCount_ = int(state.count);
  return step;
}
