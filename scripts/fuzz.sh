#!/usr/bin/env bash
# Builds the fuzz preset and runs every fuzzer for FUZZ_MINUTES (default 10)
# minutes each, or for FUZZ_RUNS executions each when that is set, seeded from
# fuzz/corpus/NAME; new inputs are kept in build/fuzz/fuzz/corpus-NAME, crashes
# in build/fuzz/fuzz/artifacts. FUZZ_ONLY=NAME runs that fuzzer alone.
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${FUZZ_MINUTES:-10}
if [ -n "${FUZZ_RUNS:-}" ]; then
  limit=(-runs="$FUZZ_RUNS")
  length="$FUZZ_RUNS runs"
else
  limit=(-max_total_time=$((minutes * 60)))
  length="$minutes min"
fi
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"
out=build/fuzz/fuzz
mkdir -p "$out/artifacts"
status=0
for fuzzer in "$out"/*_fuzz; do
  [ -x "$fuzzer" ] || continue
  name=$(basename "$fuzzer" _fuzz)
  [ -z "${FUZZ_ONLY:-}" ] || [ "$name" = "$FUZZ_ONLY" ] || continue
  mkdir -p "$out/corpus-$name"
  echo "== $name: $length"
  ASAN_OPTIONS=detect_leaks=1 "$fuzzer" "${limit[@]}" -print_final_stats=1 \
    -artifact_prefix="$out/artifacts/$name-" "$out/corpus-$name" "fuzz/corpus/$name" \
    || { echo "== $name FAILED"; status=1; }
done
exit $status
