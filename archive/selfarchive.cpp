#include "archive/selfarchive.h"

#include "util/platform.h"
#include "util/ui.h"

#include <algorithm>
#include <vector>

std::string archivePath;
std::string installerTitle;
std::string archiveComment;
std::string catalog;
int32_t archiveBase = 0;

namespace {

constexpr int64_t tailSize = 2048;   // the end record must start in the file's last 2048 bytes
constexpr size_t endRecordSize = 22; // fixed part, before the comment
constexpr size_t catalogRecordSize = 46;
constexpr char endSignature[4] = {'P', 'K', 5, 6};
constexpr uint32_t catalogSignature = 0x02014B50;

uint32_t get16(const char* p) {
  const auto* b = reinterpret_cast<const uint8_t*>(p);
  return b[0] | b[1] << 8;
}

uint32_t get32(const char* p) {
  return get16(p) | get16(p + 2) << 16;
}

// The file's last tailSize bytes (all of a shorter file) and their position;
// empty when the file cannot be read.
std::vector<char> readTail(platform::File& file, int64_t& tailStart) {
  int64_t size = file.size();
  if (size < 0) return {};
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
  auto at = std::search(tail.begin(), tail.end(), endSignature, endSignature + 4);
  if (at == tail.end() || static_cast<size_t>(tail.end() - at) < endRecordSize) return -1;
  return at - tail.begin();
}

// Takes the comment and the catalog that the end record at tail[index]
// describes; returns the message of what went wrong, or nullptr.
const char* readCatalog(platform::File& file, const std::vector<char>& tail, int64_t endPos,
                        size_t index) {
  const char* record = tail.data() + index;
  uint32_t catalogSize = get32(record + 12);
  uint32_t catalogOffset = get32(record + 16);
  // A comment that claims more than the file holds keeps what is there.
  size_t available = tail.size() - index - endRecordSize;
  archiveComment.assign(record + endRecordSize, std::min<size_t>(get16(record + 20), available));

  int64_t base = endPos - catalogSize - int64_t{catalogOffset};
  if (base < 0 || base > INT32_MAX) return "File appears to be corrupt";
  archiveBase = static_cast<int32_t>(base);
  // The catalog ends where the end record begins, so it lies within the file;
  // only a failing read can come short, and that counts as a damaged record.
  std::string bytes(catalogSize, '\0');
  int32_t want = static_cast<int32_t>(catalogSize);
  if (!file.seek(endPos - catalogSize) || file.read(bytes.data(), want) != want)
    return "File appears to be corrupt - header missing";
  catalog = std::move(bytes);
  return nullptr;
}

} // namespace

void openArchive() {
  installerTitle = "Vorlixa Plugin Installer";
  archiveComment.clear();
  catalog.clear();
  if (!platform::fileExists(archivePath)) {
    errorBox("unable to load archive");
    return;
  }
  platform::File file = platform::File::openRead(archivePath, platform::Share::readWrite);
  int64_t tailStart = 0;
  std::vector<char> tail = readTail(file, tailStart);
  int64_t index = findEndRecord(tail);
  const char* error = index < 0
                          ? "File appears to be incomplete - unable to locate master catalog"
                          : readCatalog(file, tail, tailStart + index, static_cast<size_t>(index));
  // Closed before any box, so that nothing holds the archive while the user reads it.
  file.close();
  if (error) {
    errorBox(error);
    return;
  }
  walkCatalog([](const std::string&, int32_t, uint32_t, uint32_t) { return false; });
}

bool walkCatalog(const entryVisitor& visit) {
  size_t p = 0;
  // A single trailing byte ends the walk, as does the end of the catalog.
  while (p + 1 < catalog.size()) {
    const char* record = catalog.data() + p;
    size_t left = catalog.size() - p;
    // A record cut short by the catalog's end is as damaged as one without
    // its signature.
    if (left < catalogRecordSize || get32(record) != catalogSignature ||
        left - catalogRecordSize < get16(record + 28)) {
      errorBox("File appears to be corrupt - header missing");
      return true;
    }
    std::string name(record + catalogRecordSize, get16(record + 28));
    uint32_t compressedSize = get32(record + 20);
    uint32_t uncompressedSize = get32(record + 24);
    auto headerPos = static_cast<int32_t>(get32(record + 42) + static_cast<uint32_t>(archiveBase));
    p += catalogRecordSize + name.size() + get16(record + 30) + get16(record + 32);
    if (!name.empty() && name.back() == '/') continue; // a folder
    if (visit(name, headerPos, compressedSize, uncompressedSize)) return true;
  }
  return false;
}
