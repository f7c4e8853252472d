#!/usr/bin/env bash
# Makes the pictures the documents show, from corvane-snapshot: the passes of one frame for
# docs/frame.md (docs/frame/NN-name.png and sheet.png) and the demo moving for the README
# (docs/demo.webp: 4 s of the default scene, both lights moving, the shape changing once).
# Usage: docs/make-pictures.sh [BUILD_DIR]   (default build/release; needs ImageMagick)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
snapshot=$build/tools/snapshot/corvane-snapshot
[[ -x "$snapshot" ]] || { echo "make-pictures: no $snapshot; build first (scripts/run-demo.sh)" >&2; exit 1; }
command -v convert >/dev/null || { echo "make-pictures: needs ImageMagick (sudo apt-get install imagemagick)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The passes of frame 30 at 640x480, halved and reduced to 256 colours to keep them small.
"$root/scripts/with-display.sh" "$snapshot" --assets "$root/assets" --size 640x480 --frames 30 \
    --passes "$work/passes"
rm -rf "$root/docs/frame"
mkdir -p "$root/docs/frame"
for picture in "$work"/passes/[0-9][0-9]-*.png; do
    convert "$picture" -resize 50% -strip -colors 256 "PNG8:$root/docs/frame/$(basename "$picture")"
done
convert "$work/passes/sheet.png" -strip -colors 256 "PNG8:$root/docs/frame/sheet.png"
cp "$work/passes/passes.txt" "$root/docs/frame/passes.txt"

# The demo moving: 100 frames 40 ms apart (25 per second), each a run of its own that stops
# at that frame; the shape changes before frame 50. Frame n of a run is the same in every run.
frames=100
change=50
"$root/scripts/with-display.sh" bash -c '
    for n in $(seq 1 "$1"); do
        command=()
        (( n > $2 )) && command=(--command "change-shape@$2")
        "$3" --assets "$4" --size 480x360 --step-ms 40 --frames "$n" "${command[@]}" \
            --out "$5/$(printf "%03d" "$n").png"
    done' make-pictures "$frames" "$change" "$snapshot" "$root/assets" "$work"
convert -delay 4 -loop 0 "$work"/[0-9][0-9][0-9].png -quality 70 -define webp:method=6 \
    "$root/docs/demo.webp"
echo "make-pictures: docs/frame/ ($(ls "$root/docs/frame" | wc -l) files," \
     "$(du -cb "$root"/docs/frame/* | tail -1 | cut -f1) bytes), docs/demo.webp" \
     "($(stat -c %s "$root/docs/demo.webp") bytes)"
