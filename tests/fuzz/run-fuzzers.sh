#!/usr/bin/env bash
# Builds the reader fuzzers with clang, writes their seed corpus and runs them one after the
# other for the given number of seconds each (default 600), with resident memory limited to
# 512 MB (a larger single allocation counts as a finding too). Usage:
#   run-fuzzers.sh [seconds] [build directory, default build/fuzz]
# Corpora, logs and findings (crash-*, leak-*, oom-*, timeout-* files) stay in the build
# directory.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-600}
build=${2:-$root/build/fuzz}
"$root/scripts/install-deps.sh" demo fuzz

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCORVANE_FUZZ=ON -DCORVANE_BUILD_TESTS=OFF -DCORVANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j 2 --target bmp_fuzzer rgb_fuzzer corvane_fuzz_seeds

seeds="$build/fuzz-seeds"
"$build/tests/fuzz/corvane_fuzz_seeds" "$seeds"
status=0
for reader in bmp rgb; do
  corpus="$build/fuzz-corpus/$reader"
  mkdir -p "$corpus" "$build/fuzz-findings/$reader"
  "$build/tests/fuzz/${reader}_fuzzer" "$corpus" "$seeds/$reader" \
    -max_total_time="$seconds" -rss_limit_mb=512 -print_final_stats=1 \
    -artifact_prefix="$build/fuzz-findings/$reader/" >"$build/fuzz-$reader.log" 2>&1 || status=1
  echo "== $reader"
  grep -h "stat::number_of_executed_units\|stat::peak_rss_mb\|ERROR\|SUMMARY" \
    "$build/fuzz-$reader.log" || true
  tail -n 20 "$build/fuzz-$reader.log" | grep -E "^#[0-9]+.*(DONE|cov:)" | tail -n 1 || true
done
exit $status
