#!/usr/bin/env bash
# Builds Corvane and runs every test twice: in a plain build and in a build with
# AddressSanitizer and UndefinedBehaviorSanitizer. Starts Xvfb when there is no display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" demo test

jobs=$(nproc)
run_suite() {  # name, extra cmake arguments...
  local name=$1; shift
  local dir="$root/build/$name"
  echo "== $name build"
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  echo "== $name tests"
  "$root/scripts/with-display.sh" ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
run_suite tests
run_suite sanitize -DCORVANE_SANITIZE=ON -DCORVANE_BUILD_BENCH=OFF

# Windows: corvane.exe cross-compiled with MinGW-w64, its suites and its end-to-end check
# under Wine.
"$root/tests/windows/run-wine-tests.sh"
