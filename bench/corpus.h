#pragma once
// The benchmarks' shared corpus: about N MB of text, programs and libraries, and
// already-compressed files of this machine, built once and cached.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace bench {

using Bytes = std::vector<uint8_t>;

bool readFile(const std::filesystem::path& path, Bytes& data);
bool writeFile(const std::filesystem::path& path, const Bytes& data);

// $BENCH_CACHE, or bench-cache beside the running executable.
std::filesystem::path cacheDir();
// $BENCH_MB (default 100) and $BENCH_RUNS (default 3).
size_t corpusMegabytes();
int runs();

// The corpus of about megabytes MB, from cacheDir()/corpus-<N>mb/corpus.bin when it is there,
// otherwise built (40% text, 40% binaries, 20% compressed, files shuffled with a fixed seed) and
// cached there with the list of its files.
Bytes loadCorpus(size_t megabytes);

} // namespace bench
