#!/usr/bin/env bash
# Builds Corvane for web browsers into build/web/: corvane.js and corvane.wasm (Emscripten,
# WebGL 2), the page (index.html, corvane.css, page.js) and the three pictures. Any static
# web server can serve the folder; scripts/run-web.sh serves it on this machine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" web-build
# Emscripten runs its JavaScript tools with Debian's node, which finds Debian's acorn only
# there; a node installed elsewhere and earlier on PATH does not.
export PATH="/usr/bin:$PATH" NODE_PATH=/usr/share/nodejs
build="$root/build/web-cmake" out="$root/build/web"
emcmake cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target corvane -j "$(nproc)"
mkdir -p "$out"
cp "$build/app/corvane.js" "$build/app/corvane.wasm" "$out/"
cp "$root"/platform/web/{index.html,corvane.css,page.js} "$out/"
cp "$root"/assets/{wood,floor,stained}.bmp "$root/README.md" "$out/"
echo "$out"
