// Throughput of the inflate decoder against zlib and libdeflate, and of CRC-32 against zlib.
//
// Builds a mixed corpus (text, executables and libraries, already-compressed files) of about
// 100 MB from files of this machine, caches it and its raw deflate streams from zlib levels 1, 6
// and 9 in $BENCH_CACHE (default: bench-cache beside the executable), then times each decoder on
// the same streams, best of $BENCH_RUNS runs (default 3). Our decoder runs through InflateIo over
// memory, as extraction drives it, CRC-32 included; its output is checked against the corpus.
// libdeflate runs bare and once more followed by its own CRC-32 over its output, the same job.
// $BENCH_MB sets a smaller corpus for quick runs.
//
// Then the small entries of a plug-in payload: thousands of pieces of 0.5 to 16 KB cut from the
// corpus, each deflated on its own (zlib level 6), decoded one entry at a time with each decoder
// followed by a CRC-32 of its output (zlib's crc32, libdeflate_crc32), as extraction needs it. The
// peers keep one decoder for all entries; ours makes one per entry on the memory an installation
// lends to all its entries, as extraction does. Also the fixed cost of an entry: making the
// decoder and beginning the entry, in microseconds.

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "archive/crc32.h"
#include "archive/inflate.h"
#include "bench/corpus.h"

namespace fs = std::filesystem;
using bench::Bytes;

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

// Pieces of 0.5 to 16 KB (sizes from a fixed seed) spread evenly over the corpus, so that text,
// programs and compressed files all take part, each with its own deflate stream and CRC-32. In an
// archive an entry's data is always followed by more records (a local header, the catalog, the end
// record), which extraction's whole-block reads run into: our decoder reads each stream followed
// by the 46 bytes of a catalog record, and is told the stream's own size.
constexpr size_t followingRecord = 46;

struct SmallEntries {
  std::vector<Bytes> packed;
  std::vector<Bytes> inArchive; // packed, then the record that follows it
  std::vector<size_t> start, size;
  std::vector<uint32_t> crc;
  size_t total = 0;
};

SmallEntries makeSmallEntries(const Bytes& corpus, size_t count) {
  SmallEntries s;
  std::mt19937 rng(2024);
  std::uniform_int_distribution<size_t> pick(512, 16384);
  const size_t stride = corpus.size() / count;
  for (size_t i = 0; i < count; ++i) {
    size_t n = std::min(pick(rng), stride);
    Bytes piece(corpus.begin() + ptrdiff_t(i * stride), corpus.begin() + ptrdiff_t(i * stride + n));
    s.start.push_back(i * stride);
    s.size.push_back(n);
    s.crc.push_back(uint32_t(crc32(0, piece.data(), uInt(n))));
    s.packed.push_back(deflateRaw(piece, 6));
    Bytes framed = s.packed.back();
    const uint8_t catalogSignature[4] = {'P', 'K', 1, 2};
    framed.insert(framed.end(), catalogSignature, catalogSignature + 4);
    framed.resize(framed.size() + followingRecord - 4);
    s.inArchive.push_back(std::move(framed));
    s.total += n;
  }
  return s;
}

// Making the decoder and beginning an entry, in microseconds, averaged over many entries.
double entryFixedMicroseconds(int runs) {
  constexpr int entries = 20000;
  Bytes none;
  uint8_t sink[1];
  InflateWorkspace workspace;
  double best = bestSeconds(runs, [&] {
    for (int i = 0; i < entries; ++i) {
      MemoryIo io(none, sink, sizeof sink);
      Inflater inflater(io, workspace);
      inflater.begin(0);
    }
  });
  return best / entries * 1e6;
}

bool smallEntriesBench(const Bytes& corpus, int runs, bool oursOnly) {
  SmallEntries s = makeSmallEntries(corpus, std::min<size_t>(4000, corpus.size() / 16384));
  Bytes out(16384 + 64);
  const double mb = double(s.total) / 1e6;
  bool ok = true;
  InflateWorkspace workspace;
  auto ours = [&] {
    for (size_t i = 0; i < s.packed.size(); ++i) {
      MemoryIo io(s.inArchive[i], out.data(), out.size());
      Inflater inflater(io, workspace);
      inflater.begin(int32_t(s.packed[i].size()));
      ok = ok && inflater.inflate() == zipOk && io.written() == s.size[i] &&
           ~inflater.crc() == s.crc[i];
    }
  };
  bool peersOk = true;
  z_stream z{};
  inflateInit2(&z, -15);
  auto zlib = [&] {
    for (size_t i = 0; i < s.packed.size(); ++i) {
      inflateReset(&z);
      z.next_in = s.packed[i].data();
      z.avail_in = uInt(s.packed[i].size());
      z.next_out = out.data();
      z.avail_out = uInt(out.size());
      inflate(&z, Z_FINISH);
      peersOk = peersOk && uint32_t(crc32(0, out.data(), uInt(z.total_out))) == s.crc[i];
    }
  };
  libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
  auto libdeflate = [&] {
    for (size_t i = 0; i < s.packed.size(); ++i) {
      size_t actual = 0;
      libdeflate_deflate_decompress(decompressor, s.packed[i].data(), s.packed[i].size(),
                                    out.data(), out.size(), &actual);
      peersOk = peersOk && libdeflate_crc32(0, out.data(), actual) == s.crc[i];
    }
  };
  double oursTime = 1e30, zlibTime = 1e30, libdeflateTime = 1e30;
  for (int i = 0; i < runs; ++i) {
    oursTime = std::min(oursTime, seconds(ours));
    if (oursOnly) continue;
    zlibTime = std::min(zlibTime, seconds(zlib));
    libdeflateTime = std::min(libdeflateTime, seconds(libdeflate));
  }
  libdeflate_free_decompressor(decompressor);
  inflateEnd(&z);
  if (oursOnly) zlibTime = libdeflateTime = oursTime;
  const double fixed = entryFixedMicroseconds(runs);
  std::printf("small entries: %zu of 0.5-16 KB, %.1f MB; ours %.0f MB/s, zlib %.0f MB/s, "
              "libdeflate %.0f MB/s (each with CRC-32)%s\n",
              s.packed.size(), mb, mb / oursTime, mb / zlibTime, mb / libdeflateTime,
              ok && peersOk ? "" : "  OUTPUT MISMATCH");
  std::printf("inflate_entry_fixed_us: %.2f\n", fixed);
  std::printf("inflate_small_vs_zlib: %.2f\n", zlibTime / oursTime);
  std::printf("inflate_small_vs_libdeflate: %.2f\n", libdeflateTime / oursTime);
  return ok && peersOk;
}

} // namespace

int main() {
  buildCrcTable();
  const size_t megabytes = bench::corpusMegabytes();
  const int runs = bench::runs();
  const bool oursOnly = std::getenv("BENCH_OURS_ONLY") != nullptr;
  Bytes corpus = bench::loadCorpus(megabytes);
  const fs::path dir = bench::corpusDir(megabytes);
  const uint32_t expectedCrc = uint32_t(crc32(0, corpus.data(), uInt(corpus.size())));
  const double mb = double(corpus.size()) / 1e6;
  Bytes out(corpus.size() + 64);
  bool allOk = true;

  std::printf("corpus %.1f MB, best of %d runs in thread CPU time; ratios are our speed / peer's "
              "speed\n",
              mb, runs);
  std::printf("%-10s %10s %10s %12s %10s %12s %10s\n", "level", "ratio", "ours MB/s", "zlib MB/s",
              "vs zlib", "libdefl MB/s", "vs libdefl");
  double logZlib = 0, logLibdeflate = 0, logLibdeflateCrc = 0;
  for (int level : {1, 6, 9}) {
    fs::path file = dir / ("level" + std::to_string(level) + ".deflate");
    Bytes packed = bench::readAll(file);
    if (packed.empty()) {
      packed = deflateRaw(corpus, level);
      bench::writeFile(file, packed);
    }
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
    // The peer doing extraction's whole job: its decoder, then its CRC-32 over the output.
    uint32_t peerCrc = 0;
    auto libdeflateCrc = [&] {
      size_t actual = 0;
      libdeflate_deflate_decompress(decompressor, packed.data(), packed.size(), out.data(),
                                    out.size(), &actual);
      peerCrc = libdeflate_crc32(0, out.data(), actual);
    };
    // Rounds take turns so that load from other processes falls on all of them alike.
    double oursTime = 1e30, zlibTime = 1e30, libdeflateTime = 1e30, libdeflateCrcTime = 1e30;
    for (int i = 0; i < runs; ++i) {
      oursTime = std::min(oursTime, seconds(ours));
      ok = ok && std::memcmp(out.data(), corpus.data(), corpus.size()) == 0;
      if (oursOnly) continue;
      zlibTime = std::min(zlibTime, seconds(zlib));
      libdeflateTime = std::min(libdeflateTime, seconds(libdeflate));
      libdeflateCrcTime = std::min(libdeflateCrcTime, seconds(libdeflateCrc));
      ok = ok && peerCrc == expectedCrc;
    }
    libdeflate_free_decompressor(decompressor);
    if (oursOnly) zlibTime = libdeflateTime = libdeflateCrcTime = oursTime;
    allOk = allOk && ok;
    logZlib += std::log(zlibTime / oursTime);
    logLibdeflate += std::log(libdeflateTime / oursTime);
    logLibdeflateCrc += std::log(libdeflateCrcTime / oursTime);
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
  std::printf("inflate_vs_libdeflate_crc: %.2f\n", std::exp(logLibdeflateCrc / 3));
  allOk = smallEntriesBench(corpus, runs, oursOnly) && allOk;
  return allOk ? 0 : 1;
}
