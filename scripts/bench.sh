#!/usr/bin/env bash
# Builds the bench preset (Release) and runs the benchmarks on a ~100 MB
# corpus made from files of this machine and cached under build/bench:
# inflate_bench (the decoder against zlib and libdeflate), when it exists,
# then extract_bench (extraction against unzip and libzip, peak memory).
# Then the Windows benchmarks (bench/*_bench_win.cpp) run under Wine in a rig
# of their own. The output ends with the summary lines, R = our speed / the
# peer's speed, measured in the same run:
#   inflate_vs_zlib, inflate_vs_libdeflate, inflate_vs_libdeflate_crc (the
#   peer followed by its own CRC-32, as extraction must), inflate_small_vs_zlib,
#   inflate_small_vs_libdeflate, extract_vs_unzip, extract_vs_libzip,
#   image_paint_vs_pixels, install_vs_extract (R each), inflate_entry_fixed_us
#   (microseconds), extract_peak_rss_kib (KiB).
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
cmake --build --preset win64 -j "$(nproc)" --target imagepaint_bench install_bench installer \
  browser_fixtures

# The installation benchmark's setup.exe: 200 files of mixed sizes (0.5 KB
# to 200 KB, text and binaries) cut from the corpus, a quarter of them in
# "plugins/", deflated by the packer onto the 64-bit program.
install=build/bench/install
corpus=$dir/bench-cache/corpus-100mb/corpus.bin
rm -rf "$install" && mkdir -p "$install/payload/plugins"
python3 - "$corpus" "$install/payload" <<'PY'
import sys
corpus = open(sys.argv[1], "rb").read()
sizes = [512, 1200, 3000, 6500, 12000, 16000, 24000, 48000, 96000, 200000]
at = 0
for i in range(200):
    size = sizes[i % len(sizes)]
    name = f"plugins/part{i:03d}.bin" if i % 4 == 0 else f"file{i:03d}.dat"
    with open(f"{sys.argv[2]}/{name}", "wb") as f:
        f.write(corpus[at:at + size])
    at = (at + size * 7) % (len(corpus) - 200000)
PY
build/bench/tools/mkinstaller --stub build/win64/installer/installer.exe --payload "$install/payload" \
  --agent "Mozilla/5.0 (Windows; U; Windows NT 5.1; en-US; rv:1.8) Gecko/20051111 Firefox/1.5" \
  --url http://www.example.com/installed.html -o "$install/setup.exe" >/dev/null

rig=build/bench/wine-rig
trap 'rm -f "$log"; scripts/wine-rig stop "$rig"' EXIT INT TERM
scripts/wine-rig start "$rig" >/dev/null
scripts/demo-browsers.sh "$rig" >/dev/null # eight browsers to install into
echo "== imagepaint_bench (Wine)"
scripts/wine-run "$rig" build/win64/bench/imagepaint_bench.exe | tr -d '\r' | tee -a "$log"
echo "== install_bench (Wine)"
scripts/wine-run "$rig" build/win64/bench/install_bench.exe "$(realpath "$install/setup.exe")" |
  tr -d '\r' | tee -a "$log"
scripts/wine-rig stop "$rig"

echo "== summary"
for key in inflate_vs_zlib inflate_vs_libdeflate inflate_vs_libdeflate_crc inflate_small_vs_zlib \
  inflate_small_vs_libdeflate extract_vs_unzip extract_vs_libzip inflate_entry_fixed_us \
  extract_peak_rss_kib image_paint_vs_pixels install_vs_extract; do
  grep -E "^$key: " "$log" | tail -n 1 || echo "$key: not measured"
done
