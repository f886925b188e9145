#pragma once
// Test kit for the archive tests: a hand-made ZIP writer whose every field can
// be set (so that each damage the reader must survive can be built), a plain
// bitwise CRC-32 independent of the product's, hand-built stored deflate
// streams, and the file helpers of tests/util/files.h under its own names.
// Portable: the same archives are read on the host and under Wine.
#include "tests/util/files.h"
#include "util/platform.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#endif

namespace zipkit {

inline uint32_t crc32(const std::string& data) {
  uint32_t crc = 0xFFFFFFFF;
  for (unsigned char c : data) {
    crc ^= c;
    for (int k = 0; k < 8; ++k)
      crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320 : crc >> 1;
  }
  return ~crc;
}

inline void put16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8 & 0xFF);
}
inline void put32(std::string& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}
inline void set32(std::string& bytes, size_t at, uint32_t v) {
  std::string le;
  put32(le, v);
  bytes.replace(at, 4, le);
}
inline void set16(std::string& bytes, size_t at, uint32_t v) {
  std::string le;
  put16(le, v);
  bytes.replace(at, 2, le);
}

// A deflate stream of stored blocks (RFC 1951 block type 0) holding data:
// each block is the header bits (BFINAL, BTYPE 00, padded to a byte), LEN and
// its complement NLEN, then the bytes.
inline std::string storedDeflate(const std::string& data, size_t blockSize = 65535) {
  std::string out;
  size_t at = 0;
  do {
    size_t n = std::min(blockSize, data.size() - at);
    bool last = at + n == data.size();
    out += static_cast<char>(last ? 1 : 0);
    put16(out, static_cast<uint32_t>(n));
    put16(out, static_cast<uint32_t>(~n & 0xFFFF));
    out.append(data, at, n);
    at += n;
  } while (at < data.size());
  return out;
}

// Bytes that do not compress, the same on every run.
inline std::string noise(size_t n, uint32_t seed = 1) {
  std::string out(n, '\0');
  for (char& c : out) {
    seed = seed * 1103515245 + 12345;
    c = static_cast<char>(seed >> 16);
  }
  return out;
}

// DOS date and time of 2004-07-15 13:45:58, a time in summer (daylight saving
// where the zone has it), as most payloads carry.
constexpr uint16_t sampleDosDate = (24 << 9) | (7 << 5) | 15;
constexpr uint16_t sampleDosTime = (13 << 11) | (45 << 5) | (58 / 2);

struct Entry {
  std::string name;
  std::string data;     // the bytes as stored (already compressed for method 8)
  std::string original; // the uncompressed bytes, for the CRC and sizes
  uint16_t method = 8;
  uint16_t flags = 2; // the encoder-option bit that the reader ignores
  uint16_t dosTime = sampleDosTime;
  uint16_t dosDate = sampleDosDate;
  bool descriptor = false;  // sizes and CRC after the data, zero in the local header
  bool headerSizes = false; // with descriptor: the local header holds them as well
  std::string extra;        // extra field, in both headers
  std::string comment;      // entry comment, in the catalog record
};

inline Entry deflatedEntry(const std::string& name, const std::string& original) {
  Entry e;
  e.name = name;
  e.data = storedDeflate(original);
  e.original = original;
  return e;
}
inline Entry storedEntry(const std::string& name, const std::string& original) {
  Entry e = deflatedEntry(name, original);
  e.data = original;
  e.method = 0;
  return e;
}
inline Entry folderEntry(const std::string& name) {
  Entry e = storedEntry(name, "");
  e.flags = 0;
  return e;
}

// Where the writer put each part, for tests that damage one.
struct Layout {
  std::vector<size_t> localHeaders; // file positions
  size_t catalogStart = 0;
  size_t endRecord = 0;
};

// Writes prefix, then the entries' local headers and data, the catalog and the
// end record with the comment. Offsets are relative to the archive's first
// byte (after the prefix), as an archive appended to a program has them.
inline std::string buildZip(const std::vector<Entry>& entries, const std::string& comment = "",
                            const std::string& prefix = "", Layout* layout = nullptr) {
  std::string out = prefix;
  std::vector<uint32_t> offsets;
  Layout where;
  for (const Entry& e : entries) {
    offsets.push_back(static_cast<uint32_t>(out.size() - prefix.size()));
    where.localHeaders.push_back(out.size());
    uint16_t flags = e.flags | (e.descriptor ? 8 : 0);
    uint32_t crc = crc32(e.original);
    put32(out, 0x04034B50);
    put16(out, 20);
    put16(out, flags);
    put16(out, e.method);
    put16(out, e.dosTime);
    put16(out, e.dosDate);
    bool zero = e.descriptor && !e.headerSizes;
    put32(out, zero ? 0 : crc);
    put32(out, zero ? 0 : static_cast<uint32_t>(e.data.size()));
    put32(out, zero ? 0 : static_cast<uint32_t>(e.original.size()));
    put16(out, static_cast<uint32_t>(e.name.size()));
    put16(out, static_cast<uint32_t>(e.extra.size()));
    out += e.name + e.extra + e.data;
    if (e.descriptor) {
      put32(out, 0x08074B50);
      put32(out, crc);
      put32(out, static_cast<uint32_t>(e.data.size()));
      put32(out, static_cast<uint32_t>(e.original.size()));
    }
  }
  where.catalogStart = out.size();
  for (size_t i = 0; i < entries.size(); ++i) {
    const Entry& e = entries[i];
    put32(out, 0x02014B50);
    put16(out, 20);
    put16(out, 20);
    put16(out, e.flags | (e.descriptor ? 8 : 0));
    put16(out, e.method);
    put16(out, e.dosTime);
    put16(out, e.dosDate);
    put32(out, crc32(e.original));
    put32(out, static_cast<uint32_t>(e.data.size()));
    put32(out, static_cast<uint32_t>(e.original.size()));
    put16(out, static_cast<uint32_t>(e.name.size()));
    put16(out, static_cast<uint32_t>(e.extra.size()));
    put16(out, static_cast<uint32_t>(e.comment.size()));
    put16(out, 0);
    put16(out, 0);
    put32(out, 0);
    put32(out, offsets[i]);
    out += e.name + e.extra + e.comment;
  }
  where.endRecord = out.size();
  put32(out, 0x06054B50);
  put16(out, 0);
  put16(out, 0);
  put16(out, static_cast<uint32_t>(entries.size()));
  put16(out, static_cast<uint32_t>(entries.size()));
  put32(out, static_cast<uint32_t>(where.endRecord - where.catalogStart));
  put32(out, static_cast<uint32_t>(where.catalogStart - prefix.size()));
  put16(out, static_cast<uint32_t>(comment.size()));
  out += comment;
  if (layout) *layout = where;
  return out;
}

// Field offsets inside the records, for tests that damage them.
constexpr size_t endCatalogSize = 12, endCatalogOffset = 16, endCommentLength = 20;
constexpr size_t recordNameLength = 28, recordExtraLength = 30, recordCommentLength = 32,
                 recordHeaderOffset = 42;
constexpr size_t localFlags = 6, localMethod = 8, localCrc = 14, localCompressedSize = 18;

using testfiles::readFile;
using testfiles::ScratchDir;
using testfiles::writeFile;

#ifndef _WIN32
// A tiny file system (tmpfs) mounted on a scratch folder, to fill up in tests
// of a full disk; unmounted when it goes away. Mounting needs the right to
// mount (root here); without it, mounted() is false and why() says so.
class SmallDisk {
public:
  explicit SmallDisk(size_t kibibytes) {
    std::string options = "size=" + std::to_string(kibibytes) + "k";
    if (::mount("tmpfs", dir_.path().c_str(), "tmpfs", 0, options.c_str()) == 0)
      mounted_ = true;
    else
      why_ = std::string("cannot mount a tmpfs here: ") + std::strerror(errno);
  }
  ~SmallDisk() {
    if (mounted_) ::umount2(dir_.path().c_str(), MNT_DETACH);
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& why() const { return why_; }
  const ScratchDir& dir() const { return dir_; }

private:
  ScratchDir dir_;
  bool mounted_ = false;
  std::string why_;
};
#endif

} // namespace zipkit
