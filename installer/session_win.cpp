// The parts of the session that the system reads: the archive's plug-in
// library with its version, and what each browser's plug-in directory holds.
#include "installer/session.h"

#include "archive/crc32.h"
#include "archive/entryname.h"
#include "archive/peimage.h"
#include "detect/verinfo.h"
#include "util/platform.h"

#include <optional>

namespace {

// The CRC-32 of a file's bytes from its start; empty when it cannot be read
// to its end.
std::optional<uint32_t> fileCrc(platform::File& file) {
  if (!file.seek(0)) return {};
  uint32_t crc = ~0u;
  uint8_t buffer[8192];
  int32_t got;
  while ((got = file.read(buffer, sizeof buffer)) > 0)
    crc = updateCrc(crc, buffer, static_cast<size_t>(got));
  if (got < 0) return {};
  return ~crc;
}

// The file version of a library as the run compares it: commas as dots, no blanks.
std::string versionOf(const std::string& path) {
  return withoutBlanks(commasToDots(TVersionInfo(path).GetFileVersion()));
}

// The version and machine type of the library whose entry is at headerPos,
// read from a copy in the temporary directory into plugin; "???" and 0 when
// they could not be read. The copy is a new file, and while it is read it is
// held so that nobody can write, rename or delete it, and checked to be what
// was written: the version decides the caption and what counts as up to
// date, the machine type which browsers are offered.
void readCopy(const tArchive& archive, int32_t headerPos, tPluginInfo& plugin) {
  plugin.version = "???";
  plugin.machine = 0;
  std::string copy;
  uint32_t written = 0;
  {
    platform::File file = platform::createNewNamed(platform::tempDirectory() + "T62", copy);
    if (!file.isOpen()) return;
    if (archive.extractInto(headerPos, file, written) != zipOk) {
      file.close();
      platform::deleteFile(copy);
      return;
    }
  }
  {
    platform::File held = platform::File::openRead(copy, platform::Share::read);
    if (held.isOpen() && fileCrc(held) == written) {
      plugin.version = versionOf(copy);
      plugin.machine = fileMachine(copy);
    }
  }
  platform::deleteFile(copy);
}

} // namespace

tPluginInfo readPluginInfo(const tArchive& archive, tReporter& reporter) {
  tPluginInfo plugin;
  // Every entry is looked at: of several plug-in libraries the last one wins.
  WalkEnd end =
      archive.visitEntries([&](const std::string& name, int32_t headerPos, uint32_t, uint32_t) {
        std::string file = withoutFirstFolder(name);
        if (!isPluginLibrary(file)) return false;
        plugin.file = file;
        readCopy(archive, headerPos, plugin);
        return false;
      });
  if (end == WalkEnd::damaged) reporter.error(damagedRecordMessage);
  return plugin;
}

tInstalledState installedState(const std::string& dir, const std::vector<std::string>& rootFiles,
                               const tPluginInfo& plugin) {
  for (const std::string& name : rootFiles)
    if (!platform::fileExists(dir + "\\" + name)) return tInstalledState::missing;
  // An unknown version of the archive's own library is never up to date: the
  // browser is offered the installation again.
  if (!plugin.file.empty() && isKnownVersion(plugin.version) &&
      compareVersions(versionOf(dir + "\\" + plugin.file), plugin.version) >= 0)
    return tInstalledState::upToDate;
  return tInstalledState::outdated;
}
