// The self-archive reader and entry extraction on mutated archives: every
// input is written to a file, opened as the installer's archive, listed,
// walked, and its entries are extracted and installed into a scratch folder.
// Nothing may crash, leak, trip a sanitizer or write outside that folder, not
// even for a moment, and the removal list may name nothing outside it.
#include "archive/entryname.h"
#include "archive/install.h"
#include "archive/selfarchive.h"
#include "archive/unzip.h"
#include "util/platform.h"
#include "util/ui.h"
#include "util/ui_posix.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int maxEntries = 16; // of one input, extracted one by one

// The scratch folder: root/a/b/plugins is the installation target, so an
// entry that escaped it would show up beside it.
// It lives in memory where the system offers a memory file system: every input writes, renames
// and deletes a few dozen files, which on a disk file system took most of the run's time.
fs::path scratchBase() {
  std::error_code error;
  if (fs::is_directory("/dev/shm", error)) return "/dev/shm";
  return fs::temp_directory_path();
}

struct Scratch {
  fs::path root = scratchBase() / ("zipfuzz-" + std::to_string(getpid()));
  fs::path guard = root / "a" / "b";
  fs::path plugins = guard / "plugins";
  std::string archive = (root / "archive.exe").string();
  std::string output = (root / "a" / "entry.out").string();

  Scratch() {
    fs::remove_all(root);
    fs::create_directories(plugins);
    setQuietBoxes(true);
  }
  ~Scratch() { fs::remove_all(root); }

  // Aborts when anything but the target appeared beside it or above it.
  void checkConfined() const {
    for (const fs::path& dir : {guard, guard.parent_path()})
      for (const fs::directory_entry& e : fs::directory_iterator(dir))
        if (e.path() != plugins && e.path() != guard && e.path().string() != output) {
          std::fprintf(stderr, "written outside the target: %s\n", e.path().c_str());
          std::abort();
        }
  }
};

// Aborts when a line of the removal list is not a plain name inside a folder
// that an installation writes.
void checkRootFiles(const std::string& names) {
  size_t start = 0;
  while (start < names.size()) {
    size_t end = names.find('\n', start);
    std::string name = names.substr(start, end - start);
    if (end == std::string::npos || name.find('/') != std::string::npos || !isSafeEntryPath(name) ||
        !isInstalledEntry(name)) {
      std::fprintf(stderr, "removal list names \"%s\"\n", name.c_str());
      std::abort();
    }
    start = end + 1;
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Scratch scratch;
  {
    platform::File file = platform::File::create(scratch.archive, platform::Share::read);
    file.write(data, size);
  }
  quitFlag = false;
  archivePath = scratch.archive;
  openArchive();
  if (!quitFlag) {
    checkRootFiles(listRootFiles());
    {
      // One job for the walk, as an installation holds one for its entries: the decoder's memory
      // is allocated once, and each entry must clear what the one before left in it.
      ArchiveJob job;
      int visited = 0;
      walkCatalog([&](const std::string&, int32_t headerPos, uint32_t, uint32_t) {
        extractEntry(job, archivePath, scratch.output, headerPos);
        return ++visited >= maxEntries;
      });
    }
    quitFlag = false;
    // Handlers run before each entry and during decoding: look around then too.
    setMessageHook([] { scratch.checkConfined(); });
    installToDir(scratch.plugins.string());
    setMessageHook(nullptr);
    scratch.checkConfined();
  }
  takeShownBoxes();
  fs::remove(scratch.output);
  fs::remove_all(scratch.plugins);
  fs::create_directories(scratch.plugins);
  return 0;
}
