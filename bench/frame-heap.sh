#!/usr/bin/env bash
# Counts the heap allocations made inside idle frames with heaptrack, split into our code's
# and the GL driver's. Usage: bench/frame-heap.sh BUILD_DIR [FRAMES]
set -euo pipefail
build=${1:?build directory}
frames=${2:-300}
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" bench
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$root/scripts/with-display.sh" heaptrack -o "$out/trace" \
  "$build/tools/snapshot/corvane-snapshot" --assets "$root/assets" --frames "$frames" >/dev/null 2>&1
heaptrack_print -f "$out"/trace.* -n 100000 -s 1000 2>/dev/null | python3 "$root/bench/classify_heap.py"
