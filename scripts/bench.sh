#!/usr/bin/env bash
# Builds the bench preset (Release) and runs the benchmarks on a ~100 MB
# corpus made from files of this machine and cached under build/bench:
# inflate_bench (the decoder against zlib and libdeflate), when it exists,
# then extract_bench (extraction against unzip and libzip, peak memory).
# Then the Windows benchmarks (bench/*_bench_win.cpp) run under Wine in a rig
# of their own. The output ends with the summary lines, R = our speed / the
# peer's speed, measured in the same run:
#   inflate_vs_zlib, inflate_vs_libdeflate, inflate_small_vs_zlib,
#   inflate_small_vs_libdeflate, extract_vs_unzip, extract_vs_libzip,
#   image_paint_vs_pixels (R each), inflate_entry_fixed_us (microseconds),
#   extract_peak_rss_kib (KiB).
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

cmake --preset win64 >/dev/null
windows_benches=(imagepaint_bench)
cmake --build --preset win64 -j "$(nproc)" --target "${windows_benches[@]}"
rig=build/bench/wine-rig
trap 'rm -f "$log"; scripts/wine-rig stop "$rig"' EXIT INT TERM
scripts/wine-rig start "$rig" >/dev/null
for bench in "${windows_benches[@]}"; do
  echo "== $bench (Wine)"
  scripts/wine-run "$rig" "build/win64/bench/$bench.exe" | tr -d '\r' | tee -a "$log"
done
scripts/wine-rig stop "$rig"

echo "== summary"
for key in inflate_vs_zlib inflate_vs_libdeflate inflate_small_vs_zlib \
  inflate_small_vs_libdeflate extract_vs_unzip extract_vs_libzip inflate_entry_fixed_us \
  extract_peak_rss_kib image_paint_vs_pixels; do
  grep -E "^$key: " "$log" | tail -n 1 || echo "$key: not measured"
done
