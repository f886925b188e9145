// Extraction of one ZIP entry to a file: extractEntry against Info-ZIP
// `unzip -o` (a separate process, timed from start to exit) and against
// libzip (in process), on the same ~100 MB mixed corpus (text, programs and
// libraries, already-compressed files) deflated at level 6; and the peak
// memory of an extraction, small entry against large entry, measured in a
// fresh process.
//
// The corpus is the benchmarks' shared one (corpus.h); the archive is cached
// beside it. $BENCH_MB sets
// a smaller corpus, $BENCH_RUNS the runs of which the best counts.
// Ends with the lines extract_vs_unzip, extract_vs_libzip (our speed divided
// by the peer's) and extract_peak_rss_kib.
#include "archive/selfarchive.h"
#include "archive/unzip.h"
#include "bench/corpus.h"
#include "util/ui_posix.h"

#include <zip.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr size_t smallEntry = 1000000; // the small entry of the memory comparison

// The cached archive holding "small.bin" and "corpus.bin", made by libzip.
fs::path archiveFor(size_t megabytes, size_t& corpusSize) {
  fs::path dir = bench::cacheDir() / ("extract-" + std::to_string(megabytes) + "mb");
  fs::path zipPath = dir / "corpus.zip";
  fs::create_directories(dir);
  bench::Bytes corpus = bench::loadCorpus(megabytes);
  corpusSize = corpus.size();
  std::string made = std::to_string(corpusSize); // the corpus size the archive was made from
  if (fs::exists(zipPath) && bench::readAll(dir / "size") == bench::Bytes(made.begin(), made.end()))
    return zipPath;
  std::printf("making %s (%zu bytes, deflate level 6)\n", zipPath.c_str(), corpus.size());
  int error = 0;
  zip_t* z = zip_open(zipPath.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  for (auto [name, size] : {std::pair<const char*, size_t>{"small.bin", smallEntry},
                            std::pair<const char*, size_t>{"corpus.bin", corpus.size()}}) {
    zip_source_t* src = zip_source_buffer(z, corpus.data(), std::min(size, corpus.size()), 0);
    zip_int64_t i = zip_file_add(z, name, src, 0);
    zip_set_file_compression(z, static_cast<zip_uint64_t>(i), ZIP_CM_DEFLATE, 6);
  }
  if (zip_close(z) != 0) {
    std::fprintf(stderr, "cannot write %s\n", zipPath.c_str());
    std::exit(1);
  }
  std::ofstream(dir / "size") << made;
  return zipPath;
}

// Header position of the named entry, through the installer's own reader.
int32_t headerOf(const std::string& zipPath, const std::string& name) {
  tArchive archive;
  openArchive(zipPath, archive);
  int32_t found = -1;
  walkCatalog(archive, [&](const std::string& entry, int32_t pos, uint32_t, uint32_t) {
    if (entry == name) found = pos;
    return false;
  });
  return found;
}

template <class F> double bestSeconds(int runs, F&& f) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    auto t0 = std::chrono::steady_clock::now();
    f();
    best = std::min(best,
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  return best;
}

// Runs a program and waits; false when it failed.
bool runProgram(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args)
    argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t child = fork();
  if (child == 0) {
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool libzipExtract(const std::string& zipPath, const std::string& name, const std::string& out) {
  int error = 0;
  zip_t* z = zip_open(zipPath.c_str(), ZIP_RDONLY, &error);
  zip_file_t* f = z ? zip_fopen(z, name.c_str(), 0) : nullptr;
  int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  static std::vector<char> buffer(65536);
  bool ok = f && fd >= 0;
  for (zip_int64_t n; ok && (n = zip_fread(f, buffer.data(), buffer.size())) != 0;)
    ok = n > 0 && write(fd, buffer.data(), static_cast<size_t>(n)) == n;
  if (fd >= 0) close(fd);
  if (f) zip_fclose(f);
  if (z) zip_close(z);
  return ok;
}

// Child mode: extracts one entry, prints the process's peak resident set
// (VmHWM: of this program image alone, unlike a parent's rusage, which keeps
// the peak of the forked copy of the parent) and exits with the result code.
int extractOne(const std::string& zipPath, const std::string& name, const std::string& out) {
  setQuietBoxes(true);
  int32_t header = headerOf(zipPath, name);
  int result = header < 0 ? 99 : extractEntry(zipPath, out, header);
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0)
      std::printf("%ld\n", std::strtol(line.c_str() + 6, nullptr, 10));
  return result;
}

// Peak resident set in KiB of a fresh process extracting the entry; -1 on failure.
long peakKib(const std::string& zipPath, const std::string& name, const std::string& out) {
  std::string command = "'" + fs::canonical("/proc/self/exe").string() + "' --extract-one '" +
                        zipPath + "' " + name + " '" + out + "'";
  FILE* child = popen(command.c_str(), "r");
  long kib = -1;
  if (child && std::fscanf(child, "%ld", &kib) != 1) kib = -1;
  return child && pclose(child) == 0 ? kib : -1;
}

} // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "--extract-one") == 0)
    return extractOne(argv[2], argv[3], argv[4]);
  const size_t megabytes = bench::corpusMegabytes();
  const int runs = bench::runs();
  size_t corpusSize = 0;
  const std::string zipPath = archiveFor(megabytes, corpusSize).string();
  const fs::path work = fs::path(zipPath).parent_path() / "out";
  fs::create_directories(work);
  const std::string ours = (work / "ours.bin").string(), peer = (work / "libzip.bin").string();

  setQuietBoxes(true);
  int32_t header = headerOf(zipPath, "corpus.bin");
  int result = 0;
  double tOurs = bestSeconds(runs, [&] { result = extractEntry(zipPath, ours, header); });
  if (result != zipOk || fs::file_size(ours) != corpusSize) {
    std::fprintf(stderr, "our extraction failed: result %d\n", result);
    return 1;
  }
  bool unzipOk = true;
  double tUnzip = bestSeconds(runs, [&] {
    unzipOk &=
        runProgram({"/usr/bin/unzip", "-o", "-qq", zipPath, "corpus.bin", "-d", work.string()});
  });
  bool libzipOk = true;
  double tLibzip =
      bestSeconds(runs, [&] { libzipOk &= libzipExtract(zipPath, "corpus.bin", peer); });
  bench::Bytes extracted = bench::readAll(ours);
  if (!unzipOk || !libzipOk || extracted != bench::readAll(peer) ||
      extracted != bench::readAll(work / "corpus.bin")) {
    std::fprintf(stderr, "the extractions differ or a peer failed\n");
    return 1;
  }

  long rssSmall = peakKib(zipPath, "small.bin", ours);
  long rssLarge = peakKib(zipPath, "corpus.bin", ours);
  fs::remove_all(work);

  const double mb = double(corpusSize) / 1e6;
  std::printf("extraction of one %.1f MB entry (deflate level 6) to a file, best of %d runs\n", mb,
              runs);
  std::printf("%-22s %9s %9s %12s\n", "extractor", "seconds", "MB/s", "ours/peer");
  std::printf("%-22s %9.3f %9.1f %12s\n", "extractEntry", tOurs, mb / tOurs, "");
  std::printf("%-22s %9.3f %9.1f %12.2f\n", "unzip -o (process)", tUnzip, mb / tUnzip,
              tUnzip / tOurs);
  std::printf("%-22s %9.3f %9.1f %12.2f\n", "libzip (in process)", tLibzip, mb / tLibzip,
              tLibzip / tOurs);
  std::printf("peak RSS of a process running extractEntry: %.1f MB entry %ld KiB, "
              "%.1f MB entry %ld KiB\n",
              double(smallEntry) / 1e6, rssSmall, mb, rssLarge);
  std::printf("extract_vs_unzip: %.2f\n", tUnzip / tOurs);
  std::printf("extract_vs_libzip: %.2f\n", tLibzip / tOurs);
  std::printf("extract_peak_rss_kib: %ld\n", rssLarge);
  return 0;
}
