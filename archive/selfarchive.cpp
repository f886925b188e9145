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

constexpr int tailSize = 2048;    // the end record must start in the file's last 2048 bytes
constexpr int endRecordSize = 22; // fixed part, before the comment
constexpr int catalogRecordSize = 46;

uint32_t get16(const char* p) {
  const auto* b = reinterpret_cast<const uint8_t*>(p);
  return b[0] | b[1] << 8;
}

uint32_t get32(const char* p) {
  const auto* b = reinterpret_cast<const uint8_t*>(p);
  return b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
}

// Index of the first end-record signature that leaves room for the record's
// fixed part; -1 when there is none.
int64_t findEndRecord(const std::vector<char>& tail) {
  static constexpr char signature[4] = {'P', 'K', 5, 6};
  auto at = std::search(tail.begin(), tail.end(), signature, signature + 4);
  for (; at != tail.end(); at = std::search(at + 1, tail.end(), signature, signature + 4)) {
    if (tail.end() - at >= endRecordSize) return at - tail.begin();
  }
  return -1;
}

bool readCatalog(platform::File& file, const std::vector<char>& tail, int64_t fileSize,
                 int64_t tailStart, int64_t index) {
  const char* record = tail.data() + index;
  uint32_t catalogSize = get32(record + 12);
  uint32_t catalogOffset = get32(record + 16);
  uint32_t commentLength = get16(record + 20);
  // A comment that claims more than the file holds keeps what is there.
  size_t available = tail.size() - static_cast<size_t>(index) - endRecordSize;
  archiveComment.assign(record + endRecordSize, std::min<size_t>(commentLength, available));

  int64_t endPos = tailStart + index;
  int64_t base = endPos - catalogSize - static_cast<int64_t>(catalogOffset);
  if (base < 0 || base > INT32_MAX || endPos > fileSize) {
    errorBox("File appears to be corrupt");
    return false;
  }
  archiveBase = static_cast<int32_t>(base);
  std::string bytes(catalogSize, '\0');
  bool read = file.seek(endPos - catalogSize) &&
              file.read(bytes.data(), static_cast<int32_t>(catalogSize)) ==
                  static_cast<int32_t>(catalogSize);
  if (!read) { // a catalog that cannot be read whole is as good as a damaged one
    errorBox("File appears to be corrupt - header missing");
    return false;
  }
  catalog = std::move(bytes);
  return true;
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
  int64_t fileSize = file.size();
  int64_t tailStart = std::max<int64_t>(0, fileSize - tailSize);
  std::vector<char> tail(static_cast<size_t>(std::max<int64_t>(0, fileSize - tailStart)));
  bool tailRead = fileSize >= 0 && file.seek(tailStart) &&
                  file.read(tail.data(), static_cast<int32_t>(tail.size())) ==
                      static_cast<int32_t>(tail.size());
  int64_t index = tailRead ? findEndRecord(tail) : -1;
  if (index < 0) {
    errorBox("File appears to be incomplete - unable to locate master catalog");
    return;
  }
  if (!readCatalog(file, tail, fileSize, tailStart, index)) return;
  walkCatalog([](const std::string&, int32_t, uint32_t, uint32_t) { return false; });
}

bool walkCatalog(const entryVisitor& visit) {
  size_t p = 0;
  // A single trailing byte ends the walk, as does the end of the catalog.
  while (p + 1 < catalog.size()) {
    const char* record = catalog.data() + p;
    bool whole = catalog.size() - p >= catalogRecordSize;
    if (!whole || get32(record) != 0x02014B50) {
      errorBox("File appears to be corrupt - header missing");
      return true;
    }
    size_t nameLength = get16(record + 28);
    size_t skip = catalogRecordSize + nameLength + get16(record + 30) + get16(record + 32);
    if (catalog.size() - p < catalogRecordSize + nameLength) {
      errorBox("File appears to be corrupt - header missing");
      return true;
    }
    std::string name(record + catalogRecordSize, nameLength);
    uint32_t compressed = get32(record + 20);
    uint32_t uncompressed = get32(record + 24);
    int32_t headerPos =
        static_cast<int32_t>(get32(record + 42) + static_cast<uint32_t>(archiveBase));
    p += skip;
    if (!name.empty() && name.back() == '/') continue;
    if (visit(name, headerPos, compressed, uncompressed)) return true;
  }
  return false;
}
