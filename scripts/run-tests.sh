#!/usr/bin/env bash
# Builds Corvane and runs every test: the suites in the Release tree (the one the demo and
# the package use), its pictures against those of the build over gl11 on OpenGL ES 3.0, the
# suites again in a tree with AddressSanitizer and UndefinedBehaviorSanitizer, then the
# Debian package's checks. Starts Xvfb when there is no display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/release-tree.sh"
"$root/scripts/install-deps.sh" demo test package

jobs=$(nproc)
run_suite() {  # NAME BUILD_DIR
  echo "== $1 build"
  cmake --build "$2" -j "$jobs"
  echo "== $1 tests"
  "$root/scripts/with-display.sh" ctest --test-dir "$2" --output-on-failure -j "$jobs"
}

# intercept_tls_get_addr=0: GCC 12's sanitizer runtime takes a dynamic TLS block that happens to
# start 16 bytes into a page for one with an old glibc header, reads a bogus range from it,
# and the leak checker's tracer then crashes at exit ("Tracer caught signal 11") now and then.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:intercept_tls_get_addr=0"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
release=$(release_tree "$root" -DCORVANE_BUILD_TESTS=ON -DCORVANE_BUILD_BENCH=ON)
run_suite release "$release"
# corvane-snapshot over gl11 on OpenGL ES 3.0 (build/es3: only the tool and what it links)
# against the Release tree's, picture by picture over the golden cases and their passes.
echo "== es3 build"
cmake -S "$root" -B "$root/build/es3" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVANE_GL=es3 \
  -DCORVANE_BUILD_TESTS=OFF -DCORVANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$root/build/es3" -j "$jobs" --target corvane-snapshot
echo "== es3 pictures against the Release tree's"
"$root/scripts/with-display.sh" "$release/tests/picture_compare" \
  "$release/tools/snapshot/corvane-snapshot" "$root/build/es3/tools/snapshot/corvane-snapshot" \
  "$root/assets"
# The GPU check in its brief form: on Mesa both of its columns are llvmpipe.
echo "== GPU check (brief)"
"$root/scripts/with-display.sh" "$root/bench/gpu-check.sh" "$root/build/release" --brief
cmake -S "$root" -B "$root/build/sanitize" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCORVANE_SANITIZE=ON -DCORVANE_BUILD_BENCH=OFF >/dev/null
run_suite sanitize "$root/build/sanitize"

echo "== package"
package=$("$root/scripts/package.sh" 2>/dev/null | tail -n 1)
"$root/scripts/with-display.sh" "$root/tests/package/check-package.sh" "$package" \
  "$root/build/release"

# Windows: corvane.exe cross-compiled with MinGW-w64, its suites and its end-to-end check
# under Wine.
"$root/tests/windows/run-wine-tests.sh"

# The web build in headless chromium, its scripted frames compared with the Release tree's.
echo "== web"
"$root/tests/web/run-web-tests.sh"
