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

class Inflater { // one entry at a time; all state lives in the object
public:
  explicit Inflater(InflateIo& io);
  ~Inflater();
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  void
  begin(int32_t compressedSize); // bytes read := 0, inputEnd down, CRC := 0xFFFFFFFF, window zeroed
  int inflate();                 // method 8; returns a ZipResult
  int copyStored();              // method 0; returns a ZipResult
  // Reading on after the data (data descriptor):
  void alignToByte(); // drop bits up to the next byte boundary (after inflate)
  void resetInput();  // empty input buffer and bit buffer, window position 0 (after copyStored)
  uint32_t takeBits(int n);             // needBits(n) then value then dumpBits(n), n <= 16
  uint32_t crc() const { return crc_; } // running register, not yet complemented

  // Test hook: with false, every byte is decoded by the exact path alone, so that tests can compare
  // both paths on the same streams.
  void setFastPath(bool enabled) { fastEnabled_ = enabled; }

  static constexpr int32_t inputBlockSize = 2048;
  static constexpr size_t windowSize = 32768;

private:
  struct BlockCodes; // the tables of the block being decoded
  struct Symbol;
  static int fastCodeBits(uint32_t entry);
  static Symbol fastSymbol(uint32_t entry);

  // Input and bits.
  void fillInput();
  void needBits(int n);
  void fillBitsWithinBlock();
  uint32_t peekBits(int n) const { return uint32_t(bitBuf_) & ((uint32_t(1) << n) - 1); }
  void dumpBits(int n);
  // Output.
  bool writeOut(const uint8_t* data, size_t size);
  bool flushWindow();
  size_t windowPosition() const;
  // Blocks.
  int inflateBlock(bool& last);
  int inflateStored();
  int inflateFixed();
  int inflateDynamic();
  int readCodeLengths(uint16_t* lengths, int total);
  int inflateCodes(BlockCodes& codes);
  bool buildReference(BlockCodes& codes, bool distance);
  bool decodeExact(BlockCodes& codes, bool distance, Symbol& symbol);
  int exactSymbol(BlockCodes& codes);
  int fastSymbols(const BlockCodes& codes);
  bool fastPossible() const;

  InflateIo& io_;
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
  std::unique_ptr<uint8_t[]> output_;
  uint8_t* outPos_ = nullptr;
  uint8_t* windowEnd_ = nullptr;

  struct Tables;
  std::unique_ptr<Tables> tables_;

  // The input block, with room for the fast loop's eight-byte loads.
  uint8_t inBuf_[inputBlockSize + 8] = {};
};
