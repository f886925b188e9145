// Differential fuzzer of the inflate engine. Arbitrary bytes are decoded as raw deflate data:
// - followed by more bytes, as entry data is in an archive, by our decoder and by zlib; whatever
//   zlib accepts in full must give result 0 and zlib's bytes;
// - by the fast path and by the exact path, which must agree on everything a caller sees (result,
//   bytes, CRC, and the order of reads, writes and message pumps), also with a compressed size
//   that cuts the data and with no bytes after it.

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "archive/crc32.h"
#include "archive/inflate.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Records what the decoder does into the buffers of an Outcome.
class RecordingIo : public InflateIo {
public:
  RecordingIo(const Bytes& input, Bytes& out, std::string& log)
      : input_(input), out_(out), log_(log) {}
  int32_t read(uint8_t* buffer, int32_t size) override {
    log_ += 'R';
    size_t n = std::min(size_t(size), input_.size() - pos_);
    if (n) std::memcpy(buffer, input_.data() + pos_, n);
    pos_ += n;
    return int32_t(n);
  }
  bool write(const uint8_t* data, size_t size) override {
    log_ += 'W';
    out_.insert(out_.end(), data, data + size);
    return true;
  }
  void pumpMessages() override { log_ += 'P'; }

private:
  const Bytes& input_;
  size_t pos_ = 0;
  Bytes& out_;
  std::string& log_;
};

struct Outcome {
  int result = 0;
  Bytes out;
  uint32_t crc = 0;
  std::string log;
  bool operator==(const Outcome&) const = default;
};

// The buffers and decoders of a run live from input to input. Under the address sanitizer freed
// memory waits in quarantine and every fresh allocation costs page faults, which took most of the
// time of an input; reused memory costs nothing and is checked the same.
//
// Each path decodes on a workspace of its own that it keeps, as extraction lends one workspace to
// all entries of an installation: the decoder must clear what an earlier entry left there.
void decode(const Bytes& file, int32_t compressedSize, bool fast, Outcome& outcome) {
  static InflateWorkspace fastWorkspace, exactWorkspace;
  outcome.out.clear();
  outcome.log.clear();
  RecordingIo io(file, outcome.out, outcome.log);
  Inflater inflater(io, fast ? fastWorkspace : exactWorkspace);
  inflater.setFastPath(fast);
  inflater.begin(compressedSize);
  outcome.result = inflater.inflate();
  outcome.crc = inflater.crc();
}

// zlib's raw inflate of the whole input into out; true when the stream ended.
bool zlibInflate(const uint8_t* data, size_t size, Bytes& out) {
  static z_stream z = [] {
    z_stream s{};
    if (inflateInit2(&s, -15) != Z_OK) std::abort();
    return s;
  }();
  inflateReset(&z);
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = uInt(size);
  out.resize(std::max<size_t>(out.capacity(), 32768));
  size_t done = 0;
  int rc = Z_OK;
  while (rc == Z_OK) {
    if (done == out.size()) out.resize(2 * out.size());
    z.next_out = out.data() + done;
    z.avail_out = uInt(out.size() - done);
    rc = inflate(&z, Z_NO_FLUSH);
    done = out.size() - z.avail_out;
  }
  out.resize(done);
  return rc == Z_STREAM_END;
}

void require(bool condition) {
  if (!condition) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Bytes stream, file, control;
  static Outcome fast, exact;
  buildCrcTable();
  stream.assign(data, data + size);
  file = stream;
  file.insert(file.end(), 64, 0x50); // the records that follow entry data in an archive
  decode(file, int32_t(size), true, fast);
  decode(file, int32_t(size), false, exact);
  require(fast == exact);
  if (zlibInflate(data, size, control)) {
    require(fast.result == zipOk);
    require(fast.out == control);
    require(~fast.crc == uint32_t(crc32(0, control.data(), uInt(control.size()))));
  }
  // The data alone, with a compressed size taken from its last byte: cut short or not.
  int32_t limit = size ? int32_t(size * data[size - 1] / 255) : 0;
  decode(stream, limit, true, fast);
  decode(stream, limit, false, exact);
  require(fast == exact);
  return 0;
}
