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

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/inotify.h>
#include <sys/stat.h>
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
  // Watches the target's parent folders for anything created, moved in, written or closed after
  // writing: unlike a look at the folders, it also sees a file that came and went in between.
  int watch = -1;

  Scratch() {
    // Names the local time zone, which the system otherwise looks up again for every file time.
    setenv("TZ", ":/etc/localtime", 0);
    fs::remove_all(root);
    fs::create_directories(plugins);
    setQuietBoxes(true);
    watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    constexpr uint32_t writes = IN_CREATE | IN_MOVED_TO | IN_MODIFY | IN_CLOSE_WRITE;
    for (const fs::path& dir : {root, root / "a", guard})
      if (watch >= 0 && inotify_add_watch(watch, dir.c_str(), writes | IN_ONLYDIR) < 0)
        close(watch), watch = -1;
  }
  ~Scratch() {
    if (watch >= 0) close(watch);
    fs::remove_all(root);
  }

  static constexpr size_t eventsSize = 64 * (sizeof(inotify_event) + NAME_MAX + 1);

  // Forgets what the fuzzer itself did in the watched folders.
  void startWatching() {
    alignas(inotify_event) char events[eventsSize];
    while (watch >= 0 && read(watch, events, sizeof events) > 0) {
    }
  }

  // Aborts when anything was written beside the target or above it since startWatching.
  void checkConfined() const {
    if (watch < 0) return checkListing();
    alignas(inotify_event) char events[eventsSize];
    ssize_t n = read(watch, events, sizeof events);
    if (n <= 0) return;
    const auto* event = reinterpret_cast<const inotify_event*>(events);
    std::fprintf(stderr, "written outside the target: \"%s\" (event mask 0x%x)\n",
                 event->len ? event->name : "", event->mask);
    std::abort();
  }

  // The same for a system without file watches: nothing but the target beside it or above it.
  void checkListing() const {
    for (const fs::path& dir : {guard, guard.parent_path()})
      for (const fs::directory_entry& e : fs::directory_iterator(dir))
        if (e.path() != plugins && e.path() != guard && e.path().string() != output) {
          std::fprintf(stderr, "written outside the target: %s\n", e.path().c_str());
          std::abort();
        }
  }

  // Empties the target for the next input; an empty one (the usual case) costs two calls.
  void clearTarget() const {
    if (rmdir(plugins.c_str()) != 0) fs::remove_all(plugins);
    mkdir(plugins.c_str(), 0777);
  }
};

// Aborts when a name of the removal list is not a plain name inside a folder
// that an installation writes.
void checkRootFiles(const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    if (name.find('/') != std::string::npos || !isSafeEntryPath(name) || !isInstalledEntry(name)) {
      std::fprintf(stderr, "removal list names \"%s\"\n", name.c_str());
      std::abort();
    }
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Scratch scratch;
  {
    platform::File file = platform::File::create(scratch.archive, platform::Share::read);
    file.write(data, size);
  }
  tArchive archive;
  if (openArchive(scratch.archive, archive)) {
    checkRootFiles(listRootFiles(archive));
    // One job for the input, as an installation holds one for its entries: the decoder's memory
    // and the read-ahead buffer are allocated once, and each entry must clear what the one before
    // left in them.
    ArchiveJob job;
    int visited = 0;
    walkCatalog(archive, [&](const std::string&, int32_t headerPos, uint32_t, uint32_t) {
      archive.extract(job, headerPos, scratch.output);
      return ++visited >= maxEntries;
    });
    // The watch keeps every event of the installation for the look after it. Without a watch,
    // look around whenever handlers could run (before each entry and during decoding) too.
    scratch.startWatching();
    if (scratch.watch < 0) setMessageHook([] { scratch.checkListing(); });
    tBoxReporter boxes;
    installToDir(job, archive, scratch.plugins.string(), boxes);
    setMessageHook(nullptr);
    scratch.checkConfined();
    unlink(scratch.output.c_str());
    scratch.clearTarget();
  }
  takeShownBoxes();
  return 0;
}
