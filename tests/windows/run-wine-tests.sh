#!/usr/bin/env bash
# The Windows build under Wine: builds corvane.exe and the Wine suites with
# scripts/build-windows.sh, then runs them (math, transform, camera, readers, and the
# end-to-end check of corvane.exe) with ctest, under Xvfb, in a Wine prefix of its own made
# once for this run in a temporary folder: Wine writes nothing into the checkout or $HOME.
# CORVANE_CTEST_ARGS adds arguments to ctest (e.g. "-V -R end_to_end").
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out="$root/build/windows"

source "$root/scripts/lib/common.sh"

"$root/scripts/build-windows.sh"
stage_end "the Windows build" run-wine-tests
# How the cross build configures by itself: its tests, and no benchmarks even when asked.
"$root/tests/configure/plain-cmake.sh" "$root" --windows "$out/deps"

wine=$(command -v /usr/lib/wine/wine64 || command -v wine64 || command -v wine)
wineserver=$(command -v /usr/lib/wine/wineserver || command -v wineserver)
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/corvane-wine.XXXXXX")
export WINEPREFIX
# Also when interrupted: the server and its processes end, then the prefix goes.
trap '"$wineserver" -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
export WINEDEBUG=-all
# No Mono or Gecko installers, no menu entries or file associations written into $HOME.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
export WINEARCH=win64

# One display and one Wine server for all the suites, kept up between the programs so that
# each starts quickly; it ends before the display. Wine's own background processes start
# with the prefix, before ctest, so that none of them holds on to a test's output.
export wine wineserver out
"$root/scripts/with-display.sh" bash -c '
  set -u
  "$wineserver" -p
  "$wine" wineboot --init >/dev/null 2>&1 </dev/null
  status=0
  ctest --test-dir "$out" --output-on-failure ${CORVANE_CTEST_ARGS:-} || status=$?
  "$wineserver" -k
  exit "$status"
'
stage_end "the Wine prefix and tests" run-wine-tests
