#pragma once
// The ZIP format as this program reads it: the record signatures, the named
// field offsets of the end record, the catalog (central directory) records and
// the local headers (read with util/littleendian.h), and one iterator over a catalog
// held in memory. Every reader of the catalog (the walk, the removal list, the
// packer's check of its own output) goes through the iterator, so a damaged
// record means the same to all of them.
#include "util/littleendian.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zip {

constexpr uint32_t endSignature = 0x06054B50;     // "PK\5\6"
constexpr uint32_t catalogSignature = 0x02014B50; // "PK\1\2"
constexpr uint32_t localSignature = 0x04034B50;   // "PK\3\4"

// End of central directory record: fixed part, then the archive comment.
namespace end {
constexpr size_t catalogSize = 12;
constexpr size_t catalogOffset = 16; // from the archive's first byte
constexpr size_t commentLength = 20;
constexpr size_t size = 22;
} // namespace end

// Catalog record: fixed part, then name, extra field and entry comment.
namespace record {
constexpr size_t flags = 8;
constexpr size_t method = 10;
constexpr size_t crc = 16;
constexpr size_t compressedSize = 20;
constexpr size_t uncompressedSize = 24;
constexpr size_t nameLength = 28;
constexpr size_t extraLength = 30;
constexpr size_t commentLength = 32;
constexpr size_t headerOffset = 42; // of the local header, from the archive's first byte
constexpr size_t size = 46;
} // namespace record

// Local header: fixed part, then name and extra field, then the data.
namespace local {
constexpr size_t flags = 6;
constexpr size_t method = 8;
constexpr size_t dosTime = 10;
constexpr size_t dosDate = 12;
constexpr size_t crc = 14;
constexpr size_t compressedSize = 18;
constexpr size_t nameLength = 26;
constexpr size_t extraLength = 28;
constexpr size_t size = 30;
} // namespace local

constexpr uint16_t flagEncrypted = 1;
constexpr uint16_t flagDescriptor = 8; // CRC and sizes follow the data
constexpr uint16_t methodStored = 0;
constexpr uint16_t methodDeflated = 8;

// One catalog record; the name points into the catalog.
struct CatalogRecord {
  std::string_view name;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint32_t crc = 0;
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
  uint32_t headerOffset = 0;

  bool isFolder() const { return !name.empty() && name.back() == '/'; }
};

// Steps through a catalog's records in stored order. A single byte left after
// the last record ends the catalog (some writers pad it); a record is damaged
// when it lacks its signature or when its fixed part, name, extra field or
// comment runs past the catalog's end.
class CatalogReader {
public:
  enum Step { record, end, damaged };

  explicit CatalogReader(std::string_view catalog) : catalog_(catalog) {}

  // The next record into r; the end of the catalog; or a damaged record,
  // after which every call says damaged again.
  Step next(CatalogRecord& r) {
    if (damaged_) return damaged;
    if (pos_ + 1 >= catalog_.size()) return end;
    const char* p = catalog_.data() + pos_;
    size_t left = catalog_.size() - pos_;
    if (left < record::size || readLe32(p) != catalogSignature) return fail();
    size_t nameLength = readLe16(p + record::nameLength);
    size_t total = record::size + nameLength + readLe16(p + record::extraLength) +
                   readLe16(p + record::commentLength);
    if (total > left) return fail();
    r.name = catalog_.substr(pos_ + record::size, nameLength);
    r.flags = static_cast<uint16_t>(readLe16(p + record::flags));
    r.method = static_cast<uint16_t>(readLe16(p + record::method));
    r.crc = readLe32(p + record::crc);
    r.compressedSize = readLe32(p + record::compressedSize);
    r.uncompressedSize = readLe32(p + record::uncompressedSize);
    r.headerOffset = readLe32(p + record::headerOffset);
    pos_ += total;
    return record;
  }

private:
  Step fail() {
    damaged_ = true;
    return damaged;
  }

  std::string_view catalog_;
  size_t pos_ = 0;
  bool damaged_ = false;
};

} // namespace zip
