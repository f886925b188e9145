#include "archive/install.h"

#include "archive/entryname.h"
#include "archive/selfarchive.h"
#include "archive/zipformat.h"
#include "util/linkguard.h"
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

// Extracts one selected entry, placed at file below the folder target; output
// gets the path it was written to.
ZipResult installOne(const ArchiveJob& job, const tArchive& archive, const std::string& target,
                     const std::string& file, int32_t headerPos, std::set<std::string>* known,
                     std::string& output) {
  if (!isSafeEntryPath(file)) return zipUnsafePath; // no folder is made for it either
  // Nothing is made, written or replaced through a link that a standard
  // user put in the way of an elevated installer: checked before the folders
  // are made, and again before the file is.
  std::string path = target + "/" + file;
  if (!linkguard::mayWorkIn(path)) return zipWriteError;
  output = makePath(path, known);
  if (!linkguard::mayWorkIn(output)) return zipWriteError;
  return archive.extract(job, headerPos, output);
}

} // namespace

std::string installToDir(const tArchive& archive, const std::string& dir, tReporter& reporter,
                         bool* failed) {
  ArchiveJob job;
  return installToDir(job, archive, dir, reporter, failed);
}

std::string installToDir(const tArchive& archive, const std::string& dir, bool* failed) {
  tBoxReporter boxes;
  return installToDir(archive, dir, boxes, failed);
}

std::string installToDir(const ArchiveJob& job, const tArchive& archive, const std::string& dir,
                         tReporter& reporter, bool* failed) {
  if (!job.taken()) return {};
  std::string target = excludeTrailingDelimiter(dir);
  for (char& c : target)
    if (c == '\\') c = '/';
  std::set<std::string> known;
  WalkEnd end =
      archive.visitEntries([&](const std::string& name, int32_t headerPos, uint32_t, uint32_t) {
        return installEntry(job, archive, target, name, headerPos, reporter, &known);
      });
  if (end == WalkEnd::damaged) reporter.error(damagedRecordMessage);
  if (failed) *failed = end != WalkEnd::passed;
  return target;
}

bool installEntry(const ArchiveJob& job, const tArchive& archive, const std::string& target,
                  const std::string& name, int32_t headerPos, tReporter& reporter,
                  std::set<std::string>* known) {
  // Keeps the window alive; a Cancel taken here is for the caller to act on
  // once this directory is complete.
  pumpMessages();
  if (!isInstalledEntry(name)) return false;
  std::string file = withoutFirstFolder(name);
  std::string output;
  ZipResult result = installOne(job, archive, target, file, headerPos, known, output);
  if (result == zipOk) {
    reporter.note("written " + output);
    return false;
  }
  reporter.error(failureText(result, file));
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

std::vector<std::string> listRootFiles(const tArchive& archive) {
  std::vector<std::string> result;
  zip::CatalogReader reader(archive.catalog());
  zip::CatalogRecord r;
  while (reader.next(r) == zip::CatalogReader::record) {
    std::string name(r.name);
    if (name.find('/') != std::string::npos) continue;
    // Only what an installation writes: a name it skips or refuses would never
    // be there, so the plug-in would never count as installed, and a removal
    // would delete a file of that name that the installer never wrote.
    if (isInstalledEntry(name) && isSafeEntryPath(name)) result.push_back(name);
  }
  return result;
}
