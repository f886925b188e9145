#include "archive/selfarchive.h"

#include "archive/peformat.h"
#include "archive/zipformat.h"
#include "util/platform.h"
#include "util/ui.h"

#include <algorithm>
#include <vector>

const char* const damagedRecordMessage = "File appears to be corrupt - header missing";
const char* const unableToLoadArchive = "unable to load archive";

namespace {

constexpr int64_t tailSize = 2048; // the end record must start in the file's last 2048 bytes

// n bytes at pos; false when the file does not hold them.
bool readAt(platform::File& file, int64_t pos, void* buffer, int32_t n) {
  return file.seek(pos) && file.read(buffer, n) == n;
}

// A signed program carries its signature in the certificate table, which the
// signing tool appends after everything else (our archive included) and which
// the signature does not cover. Where the part of the file that a signature
// covers ends: the start of the certificate table when the file is a PE
// program whose table lies at the very end of the file; otherwise the file's
// size. A table that is not where it says, or whose first certificate does
// not fit in it, is not taken.
int64_t signedEnd(platform::File& file, int64_t size) {
  uint8_t dos[2], field[4], header[4];
  if (!readAt(file, 0, dos, 2) || dos[0] != 'M' || dos[1] != 'Z') return size;
  if (!readAt(file, pe::headerPointer, field, 4)) return size;
  int64_t peHeader = readLe32(field);
  if (!readAt(file, peHeader, header, 4) || readLe32(header) != pe::signature) return size;
  if (!readAt(file, peHeader + pe::optionalSizeField, field, 2)) return size;
  uint32_t optionalSize = readLe16(field);
  int64_t optional = peHeader + pe::optionalHeader;
  if (!readAt(file, optional, field, 2)) return size;
  uint32_t magic = readLe16(field);
  if (magic != pe::magic32 && magic != pe::magic64) return size;
  bool wide = magic == pe::magic64;
  int64_t entry =
      (wide ? pe::directories64 : pe::directories32) + pe::securityDirectory * pe::directorySize;
  if (entry + pe::directorySize > optionalSize) return size;
  if (!readAt(file, optional + (wide ? pe::directoryCount64 : pe::directoryCount32), field, 4) ||
      readLe32(field) <= pe::securityDirectory)
    return size;
  uint8_t directory[pe::directorySize];
  if (!readAt(file, optional + entry, directory, pe::directorySize)) return size;
  int64_t start = readLe32(directory), length = readLe32(directory + 4);
  if (length < pe::certificateHeader || start <= optional || start + length != size) return size;
  if (!readAt(file, start, field, 4)) return size;
  uint32_t first = readLe32(field);
  if (first < pe::certificateHeader || first > length) return size;
  return start;
}

// The last tailSize bytes (all of a shorter file) before the certificate
// table, or before the file's end when there is none, and their position;
// empty when the file cannot be read. Nothing after that point is ever read
// as archive: the signature does not vouch for it.
std::vector<char> readTail(platform::File& file, int64_t& tailStart) {
  int64_t size = file.size();
  if (size < 0) return {};
  size = signedEnd(file, size);
  tailStart = std::max<int64_t>(0, size - tailSize);
  std::vector<char> tail(static_cast<size_t>(size - tailStart));
  int32_t want = static_cast<int32_t>(tail.size());
  if (!file.seek(tailStart) || file.read(tail.data(), want) != want) return {};
  return tail;
}

// Index of the first end-record signature in the tail; -1 when there is none,
// or when the first one is too near the end to hold the record's fixed part
// (the file was cut short there).
int64_t findEndRecord(const std::vector<char>& tail) {
  const char signature[4] = {'P', 'K', 5, 6};
  auto at = std::search(tail.begin(), tail.end(), signature, signature + 4);
  if (at == tail.end() || static_cast<size_t>(tail.end() - at) < zip::end::size) return -1;
  return at - tail.begin();
}

// What the end record describes: the comment, the catalog and the base.
struct FoundArchive {
  std::string comment;
  std::string catalog;
  int32_t base = 0;
};

// Takes the comment and the catalog that the end record at tail[index]
// describes; returns the message of what went wrong, or nullptr.
const char* readCatalog(platform::File& file, const std::vector<char>& tail, int64_t endPos,
                        size_t index, FoundArchive& found) {
  const char* record = tail.data() + index;
  uint32_t catalogSize = readLe32(record + zip::end::catalogSize);
  uint32_t catalogOffset = readLe32(record + zip::end::catalogOffset);
  // A comment that claims more than the file holds keeps what is there.
  size_t available = tail.size() - index - zip::end::size;
  found.comment.assign(record + zip::end::size,
                       std::min<size_t>(readLe16(record + zip::end::commentLength), available));

  int64_t base = endPos - catalogSize - int64_t{catalogOffset};
  if (base < 0 || base > INT32_MAX) return "File appears to be corrupt";
  found.base = static_cast<int32_t>(base);
  // The catalog ends where the end record begins, so it lies within the file;
  // only a failing read can come short, and that counts as a damaged record.
  std::string bytes(catalogSize, '\0');
  int32_t want = static_cast<int32_t>(catalogSize);
  if (!file.seek(endPos - catalogSize) || file.read(bytes.data(), want) != want)
    return damagedRecordMessage;
  found.catalog = std::move(bytes);
  return nullptr;
}

} // namespace

std::string readArchive(const std::string& path, tArchive& archive) {
  archive = tArchive(path, {}, {}, {}, 0);
  if (!platform::fileExists(path)) return unableToLoadArchive;
  // Shared for reading only: while the archive is held, nobody writes,
  // renames or deletes the file.
  return readArchive(path, platform::File::openRead(path, platform::Share::read), archive);
}

std::string readArchive(const std::string& path, platform::File opened, tArchive& archive) {
  auto file = std::make_shared<platform::File>(std::move(opened));
  int64_t tailStart = 0;
  std::vector<char> tail = readTail(*file, tailStart);
  int64_t index = findEndRecord(tail);
  FoundArchive found;
  const char* error =
      index < 0 ? "File appears to be incomplete - unable to locate master catalog"
                : readCatalog(*file, tail, tailStart + index, static_cast<size_t>(index), found);
  // A file that cannot be used is not held while the caller shows why.
  if (error) file.reset();
  archive = tArchive(path, std::move(file), std::move(found.comment), std::move(found.catalog),
                     found.base);
  if (error) return error;
  auto validate = [](const std::string&, int32_t, uint32_t, uint32_t) { return false; };
  if (archive.visitEntries(validate) != WalkEnd::damaged) return "";
  archive = tArchive(path, {}, archive.comment(), archive.catalog(), archive.base());
  return damagedRecordMessage;
}

bool openArchive(const std::string& path, tArchive& archive) {
  std::string message = readArchive(path, archive);
  if (!message.empty()) errorBox(message);
  return message.empty();
}

WalkEnd tArchive::visitEntries(const entryVisitor& visit) const {
  zip::CatalogReader reader(catalog_);
  zip::CatalogRecord r;
  for (;;) {
    switch (reader.next(r)) {
    case zip::CatalogReader::end:
      return WalkEnd::passed;
    case zip::CatalogReader::damaged:
      return WalkEnd::damaged;
    case zip::CatalogReader::record:
      break;
    }
    if (r.isFolder()) continue;
    // The header position is a signed 32-bit sum, as the format's offsets are.
    auto headerPos = static_cast<int32_t>(r.headerOffset + static_cast<uint32_t>(base_));
    if (visit(std::string(r.name), headerPos, r.compressedSize, r.uncompressedSize))
      return WalkEnd::stopped;
  }
}

ZipResult tArchive::extract(int32_t headerPos, const std::string& output) const {
  ArchiveJob job;
  return extract(job, headerPos, output);
}

ZipResult tArchive::extract(const ArchiveJob& job, int32_t headerPos,
                            const std::string& output) const {
  if (!file_) return zipReadError;
  return extractEntry(job, *file_, output, headerPos);
}

ZipResult tArchive::extractInto(int32_t headerPos, platform::File& output, uint32_t& crc) const {
  ArchiveJob job;
  if (!file_) return zipReadError;
  return extractEntryInto(job, *file_, headerPos, output, crc);
}

bool walkCatalog(const tArchive& archive, const entryVisitor& visit) {
  WalkEnd end = archive.visitEntries(visit);
  if (end == WalkEnd::damaged) errorBox(damagedRecordMessage);
  return end != WalkEnd::passed;
}
