// The parts of the session that the system reads: the archive's plug-in
// library with its version, and what each browser's plug-in directory holds.
#include "installer/session.h"

#include "archive/entryname.h"
#include "detect/verinfo.h"
#include "util/platform.h"
#include "util/text.h"

namespace {

// The file version of a library as the run compares it: commas as dots, no blanks.
std::string versionOf(const std::string& path) {
  return withoutBlanks(commasToDots(TVersionInfo(path).GetFileVersion()));
}

} // namespace

tPluginInfo readPluginInfo(const tArchive& archive) {
  tBoxReporter boxes;
  return readPluginInfo(archive, boxes);
}

tPluginInfo readPluginInfo(const tArchive& archive, tReporter& reporter) {
  tPluginInfo plugin;
  // Every entry is looked at: of several plug-in libraries the last one wins.
  WalkEnd end =
      archive.visitEntries([&](const std::string& name, int32_t headerPos, uint32_t, uint32_t) {
        std::string file = withoutFirstFolder(name);
        if (!isPluginLibrary(file)) return false;
        plugin.file = file;
        // The version resource is read from a copy in the temporary directory.
        plugin.version = "???";
        std::string copy = tempFileName();
        if (!copy.empty()) {
          if (archive.extract(headerPos, copy) == zipOk) plugin.version = versionOf(copy);
          platform::deleteFile(copy);
        }
        return false;
      });
  if (end == WalkEnd::damaged) reporter.error(damagedRecordMessage);
  return plugin;
}

tInstalledState installedState(const std::string& dir, const std::string& rootFiles,
                               const tPluginInfo& plugin) {
  int at = 1;
  while (at <= static_cast<int>(rootFiles.size()))
    if (!platform::fileExists(dir + "\\" + nextToken(rootFiles, at, '\n')))
      return tInstalledState::missing;
  // An unknown version of the archive's own library is never up to date: the
  // browser is offered the installation again.
  if (!plugin.file.empty() && isKnownVersion(plugin.version) &&
      compareVersions(versionOf(dir + "\\" + plugin.file), plugin.version) >= 0)
    return tInstalledState::upToDate;
  return tInstalledState::outdated;
}
