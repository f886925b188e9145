#!/usr/bin/env bash
# Builds the bench preset (Release) and runs the benchmarks on a ~100 MB
# corpus made from files of this machine and cached under build/bench:
# inflate_bench (the decoder against zlib and libdeflate), when it exists,
# then extract_bench (extraction against unzip and libzip, peak memory).
# The output ends with the summary lines, R = our speed / peer's speed:
#   inflate_vs_zlib, inflate_vs_libdeflate, inflate_small_vs_zlib,
#   inflate_small_vs_libdeflate, extract_vs_unzip, extract_vs_libzip (R each),
#   inflate_entry_fixed_us (microseconds), extract_peak_rss_kib (KiB).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset bench >/dev/null
cmake --build --preset bench -j "$(nproc)"
dir=build/bench/bench
log=$(mktemp)
trap 'rm -f "$log"' EXIT
for bench in inflate_bench extract_bench; do
  [ -x "$dir/$bench" ] || continue
  echo "== $bench"
  "$dir/$bench" | tee -a "$log"
done
echo "== summary"
for key in inflate_vs_zlib inflate_vs_libdeflate inflate_small_vs_zlib \
  inflate_small_vs_libdeflate extract_vs_unzip extract_vs_libzip inflate_entry_fixed_us \
  extract_peak_rss_kib; do
  grep -E "^$key: " "$log" | tail -n 1 || echo "$key: not measured"
done
