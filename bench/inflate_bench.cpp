// Throughput of the inflate decoder against zlib and libdeflate, and of CRC-32 against zlib.
//
// Builds a mixed corpus (text, executables and libraries, already-compressed files) of about
// 100 MB from files of this machine, caches it and its raw deflate streams from zlib levels 1, 6
// and 9 in $BENCH_CACHE (default: bench-cache beside the executable), then times each decoder on
// the same streams, best of $BENCH_RUNS runs (default 3). Our decoder runs through InflateIo over
// memory, as extraction drives it, CRC-32 included; its output is checked against the corpus.
// $BENCH_MB sets a smaller corpus for quick runs.

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "archive/crc32.h"
#include "archive/inflate.h"

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

class MemoryIo : public InflateIo {
public:
  MemoryIo(const Bytes& in, uint8_t* out, size_t outCapacity)
      : in_(in), out_(out), outCapacity_(outCapacity) {}
  int32_t read(uint8_t* buffer, int32_t size) override {
    size_t n = std::min(size_t(size), in_.size() - inPos_);
    std::memcpy(buffer, in_.data() + inPos_, n);
    inPos_ += n;
    return int32_t(n);
  }
  bool write(const uint8_t* data, size_t size) override {
    if (size > outCapacity_ - outPos_) return false;
    std::memcpy(out_ + outPos_, data, size);
    outPos_ += size;
    return true;
  }
  size_t written() const { return outPos_; }

private:
  const Bytes& in_;
  size_t inPos_ = 0;
  uint8_t* out_;
  size_t outCapacity_;
  size_t outPos_ = 0;
};

bool readFile(const fs::path& path, Bytes& data) {
  std::error_code ec;
  auto size = fs::file_size(path, ec);
  std::ifstream f(path, std::ios::binary);
  if (ec || !f) return false;
  data.resize(size_t(size));
  f.read(reinterpret_cast<char*>(data.data()), std::streamsize(size));
  return bool(f);
}

bool writeFile(const fs::path& path, const Bytes& data) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
  return bool(f);
}

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
    Bytes data;
    if (!readFile(path, data) || data.empty()) continue;
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

Bytes deflateRaw(const Bytes& in, int level) {
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  Bytes out(deflateBound(&z, uLong(in.size())) + 64);
  z.next_in = const_cast<Bytef*>(in.data());
  z.avail_in = uInt(in.size());
  z.next_out = out.data();
  z.avail_out = uInt(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// CPU time of this thread: other processes on a shared machine then slow no decoder down more than
// another, as they do to wall-clock time.
template <class F> double seconds(F&& f) {
  auto now = [] {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
  };
  double t0 = now();
  f();
  return now() - t0;
}

template <class F> double bestSeconds(int runs, F&& f) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i)
    best = std::min(best, seconds(f));
  return best;
}

fs::path cacheDir(const char* argv0) {
  if (const char* env = std::getenv("BENCH_CACHE")) return env;
  std::error_code ec;
  fs::path exe = fs::canonical("/proc/self/exe", ec);
  if (ec) exe = fs::absolute(argv0);
  return exe.parent_path() / "bench-cache";
}

} // namespace

int main(int, char** argv) {
  buildCrcTable();
  const size_t megabytes =
      std::getenv("BENCH_MB") ? std::strtoul(std::getenv("BENCH_MB"), nullptr, 10) : 100;
  const int runs = std::getenv("BENCH_RUNS") ? std::atoi(std::getenv("BENCH_RUNS")) : 3;
  const bool oursOnly = std::getenv("BENCH_OURS_ONLY") != nullptr;
  fs::path dir = cacheDir(argv[0]) / ("corpus-" + std::to_string(megabytes) + "mb");
  fs::create_directories(dir);

  Bytes corpus;
  if (!readFile(dir / "corpus.bin", corpus) || corpus.empty()) {
    std::vector<std::string> names;
    corpus = buildCorpus(megabytes * 1000000, names);
    std::ofstream list(dir / "files.txt");
    for (const std::string& n : names)
      list << n << '\n';
    writeFile(dir / "corpus.bin", corpus);
  }
  const double mb = double(corpus.size()) / 1e6;
  Bytes out(corpus.size() + 64);
  bool allOk = true;

  std::printf("corpus %.1f MB, best of %d runs in thread CPU time; ratios are our speed / peer's "
              "speed\n",
              mb, runs);
  std::printf("%-10s %10s %10s %12s %10s %12s %10s\n", "level", "ratio", "ours MB/s", "zlib MB/s",
              "vs zlib", "libdefl MB/s", "vs libdefl");
  double logZlib = 0, logLibdeflate = 0;
  for (int level : {1, 6, 9}) {
    Bytes packed;
    fs::path file = dir / ("level" + std::to_string(level) + ".deflate");
    if (!readFile(file, packed) || packed.empty()) {
      packed = deflateRaw(corpus, level);
      writeFile(file, packed);
    }
    const uint32_t expectedCrc = uint32_t(crc32(0, corpus.data(), uInt(corpus.size())));
    bool ok = true;
    auto ours = [&] {
      MemoryIo io(packed, out.data(), out.size());
      Inflater inflater(io);
      inflater.begin(int32_t(packed.size()));
      ok = ok && inflater.inflate() == zipOk && io.written() == corpus.size() &&
           ~inflater.crc() == expectedCrc;
    };
    auto zlib = [&] {
      z_stream z{};
      inflateInit2(&z, -15);
      z.next_in = packed.data();
      z.avail_in = uInt(packed.size());
      z.next_out = out.data();
      z.avail_out = uInt(out.size());
      inflate(&z, Z_FINISH);
      inflateEnd(&z);
    };
    libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
    auto libdeflate = [&] {
      size_t actual = 0;
      libdeflate_deflate_decompress(decompressor, packed.data(), packed.size(), out.data(),
                                    out.size(), &actual);
    };
    // Rounds take turns so that load from other processes falls on all three alike.
    double oursTime = 1e30, zlibTime = 1e30, libdeflateTime = 1e30;
    for (int i = 0; i < runs; ++i) {
      oursTime = std::min(oursTime, seconds(ours));
      ok = ok && std::memcmp(out.data(), corpus.data(), corpus.size()) == 0;
      if (oursOnly) continue;
      zlibTime = std::min(zlibTime, seconds(zlib));
      libdeflateTime = std::min(libdeflateTime, seconds(libdeflate));
    }
    libdeflate_free_decompressor(decompressor);
    if (oursOnly) zlibTime = libdeflateTime = oursTime;
    allOk = allOk && ok;
    logZlib += std::log(zlibTime / oursTime);
    logLibdeflate += std::log(libdeflateTime / oursTime);
    std::printf("%-10d %10.3f %10.0f %12.0f %10.2f %12.0f %10.2f%s\n", level,
                double(packed.size()) / double(corpus.size()), mb / oursTime, mb / zlibTime,
                zlibTime / oursTime, mb / libdeflateTime, libdeflateTime / oursTime,
                ok ? "" : "  OUTPUT MISMATCH");
  }
  uint32_t ourCrc = 0, zlibCrc = 0;
  double crcOurs =
      bestSeconds(runs, [&] { ourCrc = ~updateCrc(0xFFFFFFFF, corpus.data(), corpus.size()); });
  double crcZlib =
      bestSeconds(runs, [&] { zlibCrc = uint32_t(crc32(0, corpus.data(), uInt(corpus.size()))); });
  allOk = allOk && ourCrc == zlibCrc;
  std::printf("%-10s %10s %10.0f %12.0f %10.2f %12s %10s%s\n", "crc32", "-", mb / crcOurs,
              mb / crcZlib, crcZlib / crcOurs, "-", "-", ourCrc == zlibCrc ? "" : "  CRC MISMATCH");
  std::printf("(crc32 routine: %s; ratios below: geometric mean over levels 1, 6, 9)\n",
              crcUsesCarrylessMultiply() ? "carry-less multiply" : "portable tables");
  std::printf("inflate_vs_zlib: %.2f\n", std::exp(logZlib / 3));
  std::printf("inflate_vs_libdeflate: %.2f\n", std::exp(logLibdeflate / 3));
  return allOk ? 0 : 1;
}
