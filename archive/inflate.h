#pragma once
// The inflate engine of the unzip unit: decodes one archive entry at a time, stored (method 0) or
// deflated (method 8, RFC 1951), from an InflateIo source into an InflateIo sink, keeping a running
// CRC-32 of everything written.
//
// Input is taken in logical blocks of 2048 bytes and counted in whole blocks; a refill needed after
// more than compressed size + 2 bytes were read, or a read that gives nothing, raises the input-end
// flag and hands the decoder the old block again, and decoding goes on until its next test of the
// flag. Output goes out in pieces of 32768 bytes, and distances reaching before the entry's first
// byte read zeros. Corrupt or truncated data ends with a ZipResult code, never a crash.
//
// Decoding runs in a fast loop while the input and output are far enough from the current block's
// and window's ends, and through an exact path that follows every bit request of the reference
// decoder near those ends, so the result is the same as reading byte by byte.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "archive/fastinflate.h"
#include "archive/huffman.h"
#include "archive/zipresult.h"

// What the decoder reads from and writes to. Implemented by extraction over the platform's files,
// and by tests and benchmarks over memory.
class InflateIo {
public:
  virtual ~InflateIo() = default;
  virtual int32_t read(uint8_t* buffer,
                       int32_t size) = 0; // bytes read (0 at end of file), -1 on error
  virtual bool write(const uint8_t* data, size_t size) = 0; // true when all bytes were written
  virtual void pumpMessages() {}                            // dispatch pending window messages
};

// The decoder's memory: the output windows with their history and the code tables. Allocated once
// (the output buffer grows once, for the first entry that fills it) and lent to one Inflater after
// another, so that an entry costs no allocation and clears only what it needs (the history only
// after an entry has moved output into it, the fixed-code tables never again).
class InflateWorkspace {
public:
  InflateWorkspace();
  ~InflateWorkspace();
  InflateWorkspace(const InflateWorkspace&) = delete;
  InflateWorkspace& operator=(const InflateWorkspace&) = delete;

  bool ok() const { return output_ && tables_; } // false when the memory could not be had

private:
  friend class Inflater;
  struct Tables;

  // Moves the latest history (keep bytes from history on) to the front of a larger output buffer;
  // false when the buffer is already large or no memory was had for a larger one.
  bool grow(const uint8_t* history, size_t keep);

  std::unique_ptr<uint8_t[]> output_;
  size_t outputWindows_; // windows behind the history
  std::unique_ptr<Tables> tables_;
  bool historyDirty_ = true; // the history holds bytes other than zeros
};

class Inflater { // one entry at a time; all state lives in the object and its workspace
public:
  // The decoder with a workspace of its own.
  explicit Inflater(InflateIo& io);
  // The decoder on a workspace that outlives it; no other decoder may use it meanwhile.
  Inflater(InflateIo& io, InflateWorkspace& workspace);
  ~Inflater();
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  void
  begin(int32_t compressedSize); // bytes read := 0, inputEnd down, CRC := 0xFFFFFFFF, window zeroed
  ZipResult inflate();           // method 8
  ZipResult copyStored();        // method 0
  // Reading on after the data (data descriptor):
  void alignToByte(); // drop bits up to the next byte boundary (after inflate)
  void resetInput();  // empty input buffer and bit buffer, window position 0 (after copyStored)
  uint32_t takeBits(int n);             // needBits(n) then value then dumpBits(n), n <= 16
  uint32_t crc() const { return crc_; } // running register, not yet complemented

  // Test hook: with false, every code is decoded by the reference decoder alone and every byte
  // taken one by one, so that tests can compare both paths on the same streams. Set before
  // begin().
  void setFastPath(bool enabled) { fastEnabled_ = enabled; }
  // Test hook: the fast path through the loop that needs no processor extension, as on processors
  // without them, so that tests check it on any processor.
  void usePlainFastLoop() { fastDecoder_ = plainFastDecoder(); }

  static constexpr int32_t inputBlockSize = 2048;
  static constexpr size_t windowSize = 32768;

private:
  using Tables = InflateWorkspace::Tables;
  struct BlockCodes; // the tables of the block being decoded
  struct Symbol;

  // Input and bits.
  void fillInput();
  void needBits(int n);
  void fillBitsWithinBlock();
  uint32_t peekBits(int n) const { return uint32_t(bitBuf_) & ((uint32_t(1) << n) - 1); }
  void dumpBits(int n);
  int bitsInBlock() const { return bitCount_ + 8 * (inLast_ + 1 - inPos_); }
  // Output.
  bool writeOut(const uint8_t* data, size_t size);
  bool flushWindow();
  size_t windowPosition() const;
  // Blocks.
  ZipResult inflateBlock(bool& last);
  ZipResult inflateStored();
  ZipResult inflateFixed();
  ZipResult inflateDynamic();
  ZipResult readCodeLengths(uint16_t* lengths, int total);
  ZipResult inflateCodes(BlockCodes& codes);
  // Codes, one symbol at a time: the reference decoder and the shortcuts the exact path takes.
  SymbolStep exactSymbol(BlockCodes& codes);
  bool decodeExact(BlockCodes& codes, bool distance, Symbol& symbol);
  bool decodeReference(BlockCodes& codes, bool distance, Symbol& symbol);
  bool buildReference(BlockCodes& codes, bool distance);
  bool decodeWholeCodeInBlock(const BlockCodes& codes, bool distance, Symbol& symbol);
  bool decodeFromFastFirstLevel(const BlockCodes& codes, bool distance, Symbol& symbol);
  bool decodePastBlock(const BlockCodes& codes, bool distance, Symbol& symbol);
  // The fast loop.
  SymbolStep fastSymbols(const BlockCodes& codes);
  bool fastPossible() const;

  InflateIo& io_;
  std::unique_ptr<InflateWorkspace> ownWorkspace_; // when no workspace was lent
  InflateWorkspace& workspace_;
  FastDecoder fastDecoder_;
  bool fastEnabled_ = true;
  bool memoryOk_ = false;

  int32_t compressedSize_ = 0;
  int64_t bytesRead_ = 0; // counted in whole reads
  bool inputEnd_ = false;
  int32_t inPos_ = 0;   // next byte to take from inBuf_
  int32_t inLast_ = -1; // last valid byte in inBuf_, -1 when empty
  uint64_t bitBuf_ = 0; // bits not yet used, next bit lowest; bits above bitCount_ are zero
  int bitCount_ = 0;
  uint32_t crc_ = 0xFFFFFFFF;

  // Output: a zeroed history of one window, then room for several windows. The window being filled
  // ends at windowEnd_; when the last one is written, the latest history moves to the front.
  uint8_t* output_ = nullptr;
  uint8_t* outPos_ = nullptr;
  uint8_t* windowEnd_ = nullptr;
  Tables* tables_ = nullptr;

  // The input block, with room for the fast loop's eight-byte loads.
  uint8_t inBuf_[inputBlockSize + 8] = {};
};
