#!/usr/bin/env bash
# Builds Corvane (Release, with corvane-snapshot and the picture generator) in build/release
# and runs the demo with assets/ as its working directory. Needs an X11 display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/release-tree.sh"
"$root/scripts/install-deps.sh" demo
build=$(release_tree "$root")
cmake --build "$build" --target corvane corvane-snapshot corvane-texgen
cd "$root/assets"
exec "$build/app/corvane"
