#include "archive/install.h"

#include "archive/entryname.h"
#include "archive/selfarchive.h"
#include "archive/zipformat.h"
#include "util/platform.h"
#include "util/text.h"
#include "util/ui.h"

namespace {

std::string failureText(ZipResult result, const std::string& name) {
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

// Extracts one selected entry, placed at file below the folder target.
ZipResult installOne(const ArchiveJob& job, const std::string& target, const std::string& file,
                     int32_t headerPos, std::set<std::string>* known) {
  if (!isSafeEntryPath(file)) return zipUnsafePath; // no folder is made for it either
  return extractEntry(job, archivePath, makePath(target + "/" + file, known), headerPos,
                      &archiveIdentity);
}

} // namespace

std::string installToDir(const std::string& dir, bool* failed) {
  ArchiveJob job;
  return installToDir(job, dir, failed);
}

std::string installToDir(const ArchiveJob& job, const std::string& dir, bool* failed) {
  if (!job.taken()) return {};
  std::string target = excludeTrailingDelimiter(dir);
  for (char& c : target)
    if (c == '\\') c = '/';
  std::set<std::string> known;
  bool stopped = walkCatalog([&](const std::string& name, int32_t headerPos, uint32_t, uint32_t) {
    return installEntry(job, target, name, headerPos, &known);
  });
  if (failed) *failed = stopped;
  return target;
}

bool installEntry(const ArchiveJob& job, const std::string& target, const std::string& name,
                  int32_t headerPos, std::set<std::string>* known) {
  // Keeps the window alive; a Cancel taken here is for the caller to act on
  // once this directory is complete.
  pumpMessages();
  if (!isInstalledEntry(name)) return false;
  std::string file = withoutFirstFolder(name);
  ZipResult result = installOne(job, target, file, headerPos, known);
  if (result == zipOk) return false;
  bool asked = quitFlag;
  errorBox(failureText(result, file));
  quitFlag = asked;
  return true;
}

std::string makePath(const std::string& path, std::set<std::string>* known) {
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
    if (unmade > 0) {
      --unmade;
    } else if (!drive && !(known && known->count(result))) {
      bool there = platform::pathExists(result) || platform::createDirectory(result);
      if (there && known) known->insert(result);
    }
    start = end + 1;
  }
  return result + "\\" + path.substr(last + 1);
}

std::string listRootFiles() {
  std::string result;
  zip::CatalogReader reader(catalog);
  zip::CatalogRecord r;
  while (reader.next(r) == zip::CatalogReader::record) {
    std::string name(r.name);
    if (name.find('/') != std::string::npos) continue;
    // Only what an installation writes: a name it skips or refuses would never
    // be there, so the plug-in would never count as installed, and a removal
    // would delete a file of that name that the installer never wrote.
    if (isInstalledEntry(name) && isSafeEntryPath(name)) result += name + '\n';
  }
  return result;
}
