#!/usr/bin/env bash
# Builds the Debian package of Corvane from the Release tree and prints the package's path
# as the last line of its output. Also zips the web folder (scripts/build-web.sh) as
# build/corvane-web-VERSION.zip, whose path goes to stderr.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/release-tree.sh"
source "$root/scripts/lib/common.sh"
"$root/scripts/install-deps.sh" demo package >&2
build=$(release_tree "$root")
cmake --build "$build" >&2
(cd "$build" && cpack -G DEB >&2)
version=$(project_version "$build")
"$root/scripts/build-web.sh" >&2
web="$root/build/web"
zip_file="$root/build/corvane-web-$version.zip"
rm -f "$zip_file"
(cd "$(dirname "$web")" && rm -rf "corvane-web-$version" && cp -r "$web" "corvane-web-$version" &&
  zip -qr "$zip_file" "corvane-web-$version" && rm -rf "corvane-web-$version")
echo "web folder: $zip_file" >&2
echo "$build/corvane_${version}_$(dpkg --print-architecture).deb"
