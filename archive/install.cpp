#include "archive/install.h"

#include "archive/entryname.h"
#include "archive/selfarchive.h"
#include "installer/startup.h"
#include "util/platform.h"
#include "util/text.h"
#include "util/ui.h"

namespace {

constexpr size_t catalogRecordSize = 46;

uint32_t get16(const char* p) {
  const auto* b = reinterpret_cast<const uint8_t*>(p);
  return b[0] | b[1] << 8;
}

std::string failureText(int result, const std::string& name) {
  const std::string trying = " trying to extract " + name;
  switch (result) {
  case zipCrcError:
    return "CRC error" + trying;
  case zipWriteError:
    return "Disk write error" + trying + " (disk full?)";
  case zipReadError:
    return "Disk read error" + trying;
  case zipBadData:
    return "Corrupted table when" + trying;
  case zipUnsafePath:
    return "Unsafe file name" + trying;
  default:
    return "Fatal error #" + std::to_string(result) + trying;
  }
}

// Extracts one selected entry; the result code of the attempt.
int installOne(const ArchiveJob& job, const std::string& target, int32_t headerPos) {
  if (!isSafeEntryPath(target)) return zipUnsafePath; // no folder is made for it either
  return extractEntry(job, archivePath, makePath(destDir + "/" + target), headerPos);
}

} // namespace

void installToDir(const std::string& dir) {
  ArchiveJob job;
  if (!job.taken()) return;
  std::string target = excludeTrailingDelimiter(dir);
  for (char& c : target)
    if (c == '\\') c = '/';
  destDir = target;
  walkCatalog([&job](const std::string& name, int32_t headerPos, uint32_t, uint32_t) {
    return installEntry(job, name, headerPos);
  });
}

bool installEntry(const ArchiveJob& job, const std::string& name, int32_t headerPos) {
  pumpMessages();
  bool quitting = quitFlag;
  if (!isInstalledEntry(name)) return quitting;
  std::string target = withoutFirstFolder(name);
  int result = installOne(job, target, headerPos);
  if (result != zipOk) errorBox(failureText(result, target));
  return quitFlag;
}

std::string makePath(const std::string& path) {
  size_t last = path.rfind('/');
  if (last == std::string::npos) return "\\" + path;
  size_t lead = path.find_first_not_of('/');
  if (lead == std::string::npos || lead > last) lead = last;
  std::string result(lead, '\\');
  // Below "\\server" the server and share names are no folders to make.
  int unmade = lead >= 2 ? 2 : 0;
  size_t start = lead;
  while (start <= last) {
    size_t end = path.find('/', start);
    if (start > lead) result += '\\';
    std::string part = path.substr(start, end - start);
    result += part;
    bool drive = part.find(':') != std::string::npos;
    if (unmade > 0)
      --unmade;
    else if (!drive && !platform::pathExists(result))
      platform::createDirectory(result);
    start = end + 1;
  }
  return result + "\\" + path.substr(last + 1);
}

std::string listRootFiles() {
  std::string result;
  size_t p = 0;
  while (p + 1 < catalog.size() && catalog.size() - p >= catalogRecordSize) {
    const char* record = catalog.data() + p;
    size_t nameLength = get16(record + 28);
    if (catalog.size() - p - catalogRecordSize < nameLength) break;
    std::string name(record + catalogRecordSize, nameLength);
    p += catalogRecordSize + nameLength + get16(record + 30) + get16(record + 32);
    if (name.find('/') != std::string::npos || lowerCase(name) == "install.js") continue;
    if (isSafeEntryPath(name)) result += name + '\n';
  }
  return result;
}
