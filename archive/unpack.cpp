#include "archive/unpack.h"

#include "archive/inflate.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

// The stream from memory into a string that may grow up to a limit.
class MemoryIo final : public InflateIo {
public:
  MemoryIo(std::string_view in, size_t limit) : in_(in), limit_(limit) {}

  int32_t read(uint8_t* buffer, int32_t size) override {
    size_t n = std::min(size_t(size), in_.size() - pos_);
    std::memcpy(buffer, in_.data() + pos_, n);
    pos_ += n;
    return int32_t(n);
  }
  bool write(const uint8_t* data, size_t size) override {
    if (size > limit_ - out.size()) return false;
    out.append(reinterpret_cast<const char*>(data), size);
    return true;
  }

  std::string out;

private:
  std::string_view in_;
  size_t pos_ = 0;
  size_t limit_;
};

} // namespace

std::string inflateBytes(std::string_view deflated, size_t limit) {
  if (deflated.size() > size_t(std::numeric_limits<int32_t>::max())) return {};
  MemoryIo io(deflated, limit);
  Inflater inflater(io);
  inflater.begin(int32_t(deflated.size()));
  if (inflater.inflate() != zipOk) return {};
  return std::move(io.out);
}
