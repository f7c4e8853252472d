#!/usr/bin/env bash
# Builds Corvane (Release) and runs the demo with assets/ as its working directory.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" demo
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCORVANE_BUILD_TESTS=OFF >/dev/null
cmake --build "$root/build/release" --target corvane
cd "$root/assets"
exec "$root/build/release/app/corvane"
