#pragma once
// The benchmarks' shared corpus: about N MB of text, programs and libraries, and
// already-compressed files of this machine, built once and cached.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace bench {

using Bytes = std::vector<uint8_t>;

// The file's bytes; empty when it is missing or cannot be read.
Bytes readAll(const std::filesystem::path& path);
bool writeFile(const std::filesystem::path& path, const Bytes& data);

// $BENCH_CACHE, or bench-cache beside the running executable.
std::filesystem::path cacheDir();
// $BENCH_MB (default 100) and $BENCH_RUNS (default 3).
size_t corpusMegabytes();
int runs();

// Where the corpus of about megabytes MB and what is made from it are cached:
// cacheDir()/corpus-<N>mb.
std::filesystem::path corpusDir(size_t megabytes);
// The corpus of about megabytes MB, from corpusDir(megabytes)/corpus.bin when it is there,
// otherwise built (40% text, 40% binaries, 20% compressed, files shuffled with a fixed seed) and
// cached there with the list of its files.
Bytes loadCorpus(size_t megabytes);

} // namespace bench
