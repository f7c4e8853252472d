#!/usr/bin/env bash
# Builds the Debian package of Corvane from the Release tree and prints the package's path
# as the last line of its output.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/release-tree.sh"
source "$root/scripts/lib/common.sh"
"$root/scripts/install-deps.sh" demo package >&2
build=$(release_tree "$root")
cmake --build "$build" >&2
(cd "$build" && cpack -G DEB >&2)
version=$(project_version "$build")
echo "$build/corvane_${version}_$(dpkg --print-architecture).deb"
