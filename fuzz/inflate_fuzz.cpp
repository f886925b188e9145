// Differential fuzzer of the inflate engine. Arbitrary bytes are decoded as raw deflate data:
// - followed by more bytes, as entry data is in an archive, by our decoder and by zlib; whatever
//   zlib accepts in full must give result 0 and zlib's bytes;
// - by the fast path and by the exact path, which must agree on everything a caller sees (result,
//   bytes, CRC, and the order of reads, writes and message pumps), also with a compressed size
//   that cuts the data and with no bytes after it.

#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "archive/crc32.h"
#include "archive/inflate.h"

namespace {

using Bytes = std::vector<uint8_t>;

class RecordingIo : public InflateIo {
public:
  explicit RecordingIo(const Bytes& input) : input_(input) {}
  int32_t read(uint8_t* buffer, int32_t size) override {
    log += 'R';
    size_t n = std::min(size_t(size), input_.size() - pos_);
    if (n) std::memcpy(buffer, input_.data() + pos_, n);
    pos_ += n;
    return int32_t(n);
  }
  bool write(const uint8_t* data, size_t size) override {
    log += 'W';
    out.insert(out.end(), data, data + size);
    return true;
  }
  void pumpMessages() override { log += 'P'; }
  Bytes out;
  std::string log;

private:
  const Bytes& input_;
  size_t pos_ = 0;
};

struct Outcome {
  int result;
  Bytes out;
  uint32_t crc;
  std::string log;
  bool operator==(const Outcome&) const = default;
};

Outcome decode(const Bytes& file, int32_t compressedSize, bool fast) {
  RecordingIo io(file);
  Inflater inflater(io);
  inflater.setFastPath(fast);
  inflater.begin(compressedSize);
  int result = inflater.inflate();
  return {result, std::move(io.out), inflater.crc(), std::move(io.log)};
}

bool zlibInflate(const uint8_t* data, size_t size, Bytes& out) {
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) return false;
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = uInt(size);
  uint8_t buffer[32768];
  int rc = Z_OK;
  while (rc == Z_OK) {
    z.next_out = buffer;
    z.avail_out = sizeof buffer;
    rc = inflate(&z, Z_NO_FLUSH);
    out.insert(out.end(), buffer, buffer + (sizeof buffer - z.avail_out));
  }
  inflateEnd(&z);
  return rc == Z_STREAM_END;
}

void require(bool condition) {
  if (!condition) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  buildCrcTable();
  Bytes stream(data, data + size);
  Bytes file = stream;
  file.insert(file.end(), 64, 0x50); // the records that follow entry data in an archive
  Outcome fast = decode(file, int32_t(size), true);
  Outcome exact = decode(file, int32_t(size), false);
  require(fast == exact);
  Bytes control;
  if (zlibInflate(data, size, control)) {
    require(fast.result == zipOk);
    require(fast.out == control);
    require(~fast.crc == uint32_t(crc32(0, control.data(), uInt(control.size()))));
  }
  // The data alone, with a compressed size taken from its last byte: cut short or not.
  int32_t limit = size ? int32_t(size * data[size - 1] / 255) : 0;
  require(decode(stream, limit, true) == decode(stream, limit, false));
  return 0;
}
