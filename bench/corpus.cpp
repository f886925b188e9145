// Shared corpus of the benchmarks; see corpus.h.
#include "bench/corpus.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace bench {

namespace {

enum Kind { text, binary, compressed };

Kind classify(const fs::path& path, const Bytes& head) {
  static const char* packed[] = {".gz",  ".xz",   ".bz2",   ".zst", ".zip",
                                 ".png", ".jpg",  ".jpeg",  ".gif", ".lzma",
                                 ".jar", ".woff", ".woff2", ".deb", ".7z"};
  std::string ext = path.extension().string();
  for (const char* p : packed)
    if (ext == p) return compressed;
  if (std::find(head.begin(), head.end(), 0) != head.end()) return binary;
  return text;
}

// Picks files from the usual system folders, shuffled with a fixed seed, until each kind has its
// share: 40% text, 40% binaries, 20% compressed.
Bytes buildCorpus(size_t target, std::vector<std::string>& names) {
  const char* roots[] = {"/usr/include",
                         "/usr/share/doc",
                         "/usr/share/man",
                         "/usr/lib/python3",
                         "/usr/share/perl",
                         "/usr/bin",
                         "/usr/lib/x86_64-linux-gnu",
                         "/usr/share"};
  std::vector<fs::path> files;
  for (const char* root : roots) {
    std::error_code ec;
    for (fs::recursive_directory_iterator
             it(root, fs::directory_options::skip_permission_denied, ec),
         end;
         it != end; it.increment(ec)) {
      if (ec) break;
      std::error_code e2;
      if (it->is_regular_file(e2) && !it->is_symlink(e2)) {
        auto size = it->file_size(e2);
        if (!e2 && size >= 64 && size <= (8u << 20)) files.push_back(it->path());
      }
    }
  }
  std::sort(files.begin(), files.end());
  files.erase(std::unique(files.begin(), files.end()), files.end());
  std::mt19937 rng(12345);
  std::shuffle(files.begin(), files.end(), rng);
  const size_t share[3] = {target * 4 / 10, target * 4 / 10, target - 2 * (target * 4 / 10)};
  size_t have[3] = {};
  Bytes corpus;
  for (const fs::path& path : files) {
    if (corpus.size() >= target) break;
    Bytes data = readAll(path);
    if (data.empty()) continue;
    Bytes head(data.begin(), data.begin() + std::min<size_t>(data.size(), 4096));
    Kind kind = classify(path, head);
    if (have[kind] + data.size() > share[kind] + (1u << 20)) continue;
    have[kind] += data.size();
    corpus.insert(corpus.end(), data.begin(), data.end());
    names.push_back(path.string());
  }
  std::printf("corpus: %zu bytes from %zu files (text %zu, binary %zu, compressed %zu)\n",
              corpus.size(), names.size(), have[text], have[binary], have[compressed]);
  return corpus;
}

} // namespace

Bytes readAll(const fs::path& path) {
  std::error_code ec;
  auto size = fs::file_size(path, ec);
  std::ifstream f(path, std::ios::binary);
  if (ec || !f) return {};
  Bytes data(static_cast<size_t>(size));
  f.read(reinterpret_cast<char*>(data.data()), std::streamsize(size));
  return f ? data : Bytes();
}

bool writeFile(const fs::path& path, const Bytes& data) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
  return bool(f);
}

fs::path cacheDir() {
  if (const char* env = std::getenv("BENCH_CACHE")) return env;
  return fs::canonical("/proc/self/exe").parent_path() / "bench-cache";
}

size_t corpusMegabytes() {
  const char* env = std::getenv("BENCH_MB");
  return env ? std::strtoul(env, nullptr, 10) : 100;
}

int runs() {
  const char* env = std::getenv("BENCH_RUNS");
  return env ? std::max(1, std::atoi(env)) : 3;
}

fs::path corpusDir(size_t megabytes) {
  return cacheDir() / ("corpus-" + std::to_string(megabytes) + "mb");
}

Bytes loadCorpus(size_t megabytes) {
  fs::path dir = corpusDir(megabytes);
  fs::create_directories(dir);
  Bytes corpus = readAll(dir / "corpus.bin");
  if (!corpus.empty()) return corpus;
  std::vector<std::string> names;
  corpus = buildCorpus(megabytes * 1000000, names);
  std::ofstream list(dir / "files.txt");
  for (const std::string& n : names)
    list << n << '\n';
  writeFile(dir / "corpus.bin", corpus);
  return corpus;
}

} // namespace bench
