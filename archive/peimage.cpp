#include "archive/peimage.h"

#include "archive/peformat.h"
#include "archive/zipformat.h"
#include "util/littleendian.h"
#include "util/platform.h"

#include <utility>

PeImage::PeImage(std::string bytes) : bytes_(std::move(bytes)) {
  if (bytes_.size() < 2 || bytes_[0] != 'M' || bytes_[1] != 'Z') return;
  int64_t header = get32(pe::headerPointer);
  if (header < 2 || get32(header) != pe::signature) return;
  uint32_t optionalSize = get16(header + pe::optionalSizeField);
  int64_t optional = header + pe::optionalHeader;
  if (optional + optionalSize > int64_t(bytes_.size())) return;
  uint32_t magic = get16(optional);
  if (magic != pe::magic32 && magic != pe::magic64) return;
  peHeader_ = header;
  optional_ = optional;
  optionalSize_ = optionalSize;
  wide_ = magic == pe::magic64;
}

uint32_t PeImage::get16(int64_t at) const {
  if (at < 0 || at + 2 > int64_t(bytes_.size())) return 0;
  return readLe16(bytes_.data() + at);
}

uint32_t PeImage::get32(int64_t at) const {
  if (at < 0 || at + 4 > int64_t(bytes_.size())) return 0;
  return readLe32(bytes_.data() + at);
}

void PeImage::set32(int64_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i)
    bytes_[size_t(at + i)] = char(value >> 8 * i & 0xFF);
}

uint32_t PeImage::machine() const {
  return valid() ? get16(peHeader_ + pe::machineField) : 0;
}

int64_t PeImage::directoryEntry(uint32_t index) const {
  if (!valid()) return 0;
  int64_t count = get32(optional_ + (wide_ ? pe::directoryCount64 : pe::directoryCount32));
  int64_t entry = (wide_ ? pe::directories64 : pe::directories32) + index * pe::directorySize;
  if (index >= count || entry + pe::directorySize > optionalSize_) return 0;
  return optional_ + entry;
}

PeImage::Directory PeImage::directory(uint32_t index) const {
  int64_t entry = directoryEntry(index);
  if (!entry) return {};
  return {get32(entry), get32(entry + 4)};
}

bool PeImage::setDirectory(uint32_t index, Directory value) {
  int64_t entry = directoryEntry(index);
  if (!entry) return false;
  set32(entry, value.address);
  set32(entry + 4, value.size);
  return true;
}

int64_t PeImage::offsetOf(uint32_t address, uint32_t n) const {
  if (!valid()) return -1;
  int64_t table = optional_ + optionalSize_;
  uint32_t count = get16(peHeader_ + pe::sectionCountField);
  for (uint32_t i = 0; i < count; ++i) {
    int64_t s = table + i * pe::section::size;
    if (s + pe::section::size > int64_t(bytes_.size())) return -1;
    int64_t start = get32(s + pe::section::virtualAddress);
    int64_t raw = get32(s + pe::section::rawPointer);
    int64_t rawSize = get32(s + pe::section::rawSize);
    if (address < start || address + int64_t(n) > start + rawSize) continue;
    int64_t at = raw + (address - start);
    return at + n <= int64_t(bytes_.size()) ? at : -1;
  }
  return -1;
}

uint32_t PeImage::symbolAddress(std::string_view name) const {
  if (!valid()) return 0;
  int64_t table = get32(peHeader_ + pe::symbolTableField);
  int64_t count = get32(peHeader_ + pe::symbolCountField);
  int64_t strings = table + count * pe::symbol::size;
  if (table == 0 || strings + 4 > int64_t(bytes_.size())) return 0;
  int64_t stringsEnd = strings + get32(strings);
  if (stringsEnd > int64_t(bytes_.size())) return 0;
  int64_t sectionTable = optional_ + optionalSize_;
  uint32_t sections = get16(peHeader_ + pe::sectionCountField);
  for (int64_t i = 0; i < count;
       i += 1 + uint8_t(bytes_[size_t(table + i * pe::symbol::size + pe::symbol::auxCount)])) {
    int64_t s = table + i * pe::symbol::size;
    // A short name sits in the record's first 8 bytes; a longer one in the
    // string table, at the offset in its second 4.
    std::string_view symbolName;
    if (get32(s) != 0) {
      symbolName = std::string_view(bytes_.data() + s, 8);
      symbolName = symbolName.substr(0, symbolName.find('\0'));
    } else {
      int64_t at = strings + get32(s + 4);
      if (at < strings + 4 || at >= stringsEnd) continue;
      std::string_view rest(bytes_.data() + at, size_t(stringsEnd - at));
      symbolName = rest.substr(0, rest.find('\0'));
    }
    int16_t number = int16_t(get16(s + pe::symbol::sectionNumber));
    if (symbolName != name ||
        uint8_t(bytes_[size_t(s + pe::symbol::storageClass)]) != pe::symbol::external ||
        number <= 0 || uint32_t(number) > sections)
      continue;
    int64_t section = sectionTable + (number - 1) * pe::section::size;
    return get32(section + pe::section::virtualAddress) + get32(s + pe::symbol::value);
  }
  return 0;
}

bool PeImage::stripSymbols() {
  if (!valid()) return false;
  int64_t table = get32(peHeader_ + pe::symbolTableField);
  int64_t count = get32(peHeader_ + pe::symbolCountField);
  int64_t strings = table + count * pe::symbol::size;
  if (table == 0 || strings + 4 > int64_t(bytes_.size()) ||
      strings + get32(strings) != int64_t(bytes_.size()))
    return false;
  // No section's bytes may lie in or after the table.
  int64_t sectionTable = optional_ + optionalSize_;
  uint32_t sections = get16(peHeader_ + pe::sectionCountField);
  for (uint32_t i = 0; i < sections; ++i) {
    int64_t s = sectionTable + i * pe::section::size;
    if (get32(s + pe::section::rawPointer) + int64_t(get32(s + pe::section::rawSize)) > table)
      return false;
  }
  bytes_.resize(size_t(table));
  set32(peHeader_ + pe::symbolTableField, 0);
  set32(peHeader_ + pe::symbolCountField, 0);
  uint32_t flags = get16(peHeader_ + pe::characteristicsField) | pe::lineNumbersStripped |
                   pe::localSymbolsStripped | pe::debugStripped;
  bytes_[size_t(peHeader_ + pe::characteristicsField)] = char(flags & 0xFF);
  bytes_[size_t(peHeader_ + pe::characteristicsField + 1)] = char(flags >> 8);
  return true;
}

int64_t PeImage::resourceEntry(int64_t base, int64_t directory, uint32_t id, bool any) const {
  int64_t at = base + directory;
  uint32_t named = get16(at + pe::resource::namedCount);
  uint32_t numbered = get16(at + pe::resource::idCount);
  for (uint32_t i = named; i < named + numbered; ++i) {
    int64_t entry = at + pe::resource::entries + i * pe::resource::entrySize;
    if (entry + pe::resource::entrySize > int64_t(bytes_.size())) return -1;
    if (any || get32(entry) == id) return entry;
  }
  return -1;
}

std::string_view PeImage::resource(uint32_t type, uint32_t name) const {
  Directory tree = directory(pe::resourceDirectory);
  int64_t base = offsetOf(tree.address, tree.size);
  if (tree.size == 0 || base < 0) return {};
  // Type, then name, then language: each level's entry leads to the next
  // directory; the language's leads to the data entry.
  int64_t entry = resourceEntry(base, 0, type, false);
  for (int level = 0; level < 2 && entry >= 0; ++level) {
    uint32_t next = get32(entry + 4);
    if (!(next & pe::resource::subdirectory) || (next & ~pe::resource::subdirectory) >= tree.size)
      return {};
    entry = resourceEntry(base, next & ~pe::resource::subdirectory, name, level == 1);
  }
  if (entry < 0) return {};
  uint32_t data = get32(entry + 4);
  if (data & pe::resource::subdirectory || data + 8 > tree.size) return {};
  uint32_t size = get32(base + data + 4);
  int64_t at = offsetOf(get32(base + data), size);
  if (at < 0) return {};
  return std::string_view(bytes_.data() + at, size);
}

bool PeImage::fileVersion(uint32_t& mostSignificant, uint32_t& leastSignificant) const {
  std::string_view r = resource(pe::resource::versionType, pe::resource::versionName);
  const char* fixed = r.data() + pe::version::fixedBlock;
  if (r.size() < pe::version::fixedBlock + pe::version::fixedSize ||
      readLe16(r.data() + pe::version::valueLength) < pe::version::fixedSize ||
      readLe32(fixed) != pe::version::fixedSignature)
    return false;
  mostSignificant = readLe32(fixed + pe::version::fileVersionMs);
  leastSignificant = readLe32(fixed + pe::version::fileVersionLs);
  return true;
}

uint32_t PeImage::storedChecksum() const {
  return valid() ? get32(optional_ + pe::checksumField) : 0;
}

// The image checksum: the file's 16-bit words summed with their carries
// folded back in, the checksum field itself taken as zero, plus the file's
// length.
uint32_t PeImage::checksum() const {
  const int64_t field = optional_ + pe::checksumField;
  uint64_t sum = 0;
  for (int64_t i = 0; i < int64_t(bytes_.size()); i += 2) {
    if (i == field || i == field + 2) continue;
    uint32_t word = uint8_t(bytes_[size_t(i)]);
    if (i + 1 < int64_t(bytes_.size())) word |= uint32_t(uint8_t(bytes_[size_t(i + 1)])) << 8;
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return uint32_t(sum + bytes_.size());
}

void PeImage::updateChecksum() {
  if (valid()) set32(optional_ + pe::checksumField, checksum());
}

uint32_t fileMachine(const std::string& path) {
  constexpr int32_t headerBytes = 64 * 1024;
  platform::File file = platform::File::openRead(path, platform::Share::readWrite);
  if (!file.isOpen()) return 0;
  std::string head(headerBytes, '\0');
  int32_t have = 0;
  for (int32_t n = 0; have < headerBytes; have += n)
    if ((n = file.read(head.data() + have, headerBytes - have)) <= 0) break;
  head.resize(size_t(have));
  return PeImage(std::move(head)).machine();
}
