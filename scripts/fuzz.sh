#!/usr/bin/env bash
# Builds the fuzz preset and runs every fuzzer for FUZZ_MINUTES (default 10)
# minutes each, seeded from fuzz/corpus/NAME; new inputs are kept in
# build/fuzz/fuzz/corpus-NAME, crashes in build/fuzz/fuzz/artifacts.
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${FUZZ_MINUTES:-10}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"
out=build/fuzz/fuzz
mkdir -p "$out/artifacts"
status=0
for fuzzer in "$out"/*_fuzz; do
  [ -x "$fuzzer" ] || continue
  name=$(basename "$fuzzer" _fuzz)
  mkdir -p "$out/corpus-$name"
  echo "== $name: $minutes min"
  ASAN_OPTIONS=detect_leaks=1 "$fuzzer" -max_total_time=$((minutes * 60)) -print_final_stats=1 \
    -artifact_prefix="$out/artifacts/$name-" "$out/corpus-$name" "fuzz/corpus/$name" \
    || { echo "== $name FAILED"; status=1; }
done
exit $status
