#!/usr/bin/env bash
# The command lines of the picture generator and of bench/light-passes.py: texgen's usage and
# usage errors (exit 2, nothing written), the committed pictures made again byte for byte, a
# picture of the user's made with the README's ImageMagick line and shown by the snapshot, and
# light-passes.py saying what is missing and how to build it before it runs anything, and
# bench/gpu-check.sh failing (exit 2, its own line) whenever it cannot check: bad options,
# no display, an image tool that fails; a signal ends it and what it started at once.
# Usage: tools-cli.sh CORVANE_TEXGEN SOURCE_DIR CORVANE_SNAPSHOT   (needs DISPLAY)
set -u
texgen=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
root=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source-path=SCRIPTDIR source=../../scripts/lib/common.sh
source "$(dirname "$0")/../../scripts/lib/common.sh"

"$texgen" --help >"$work/out" 2>"$work/err"
code=$?
check '[ "$code" -eq 0 ] && grep -q "^usage: corvane-texgen \[DIR\]" "$work/out" && [ ! -e ./--help ]' \
    "texgen --help prints the usage and exits 0"
mkdir "$work/here"
for bad in "--bogus" "-o x" "one two"; do
    (cd "$work/here" && exec "$texgen" $bad) >"$work/out" 2>"$work/err"
    code=$?
    check '[ "$code" -eq 2 ] && grep -q "^usage:" "$work/err" && [ -z "$(ls -A "$work/here")" ]' \
        "texgen '$bad' is a usage error that writes nothing"
done
mkdir "$work/pictures"
"$texgen" "$work/pictures" >"$work/out" 2>"$work/err"
code=$?
same=yes
for file in wood.bmp floor.bmp stained.bmp icons/corvane-48.png icons/corvane-128.png \
            icons/corvane-256.png icons/corvane.ico; do
    cmp -s "$work/pictures/$file" "$root/assets/$file" || same="no ($file)"
done
check '[ "$code" -eq 0 ] && [ "$same" = yes ]' "texgen DIR makes the committed pictures again: $same"

# A user's own picture made with the README's ImageMagick line, exactly as written there
# (photo.png to wood.bmp), and taken as the floor: two colours, green and blue, no red (so
# ImageMagick would write a palette unless told otherwise). The frame is drawn with no message
# box, and its floor shows green and blue without red (the texture multiplies the lit floor;
# the parquet is mostly red).
mkdir "$work/mine"
recipe=$(grep -m 1 "^convert photo\.png .* BMP3:wood\.bmp$" "$root/README.md")
(cd "$work/mine" &&
    convert -size 512x512 xc:"#00c000" -fill "#0000c0" -draw "rectangle 0,0 255,255" photo.png &&
    eval "$recipe" && mv wood.bmp floor.bmp) >"$work/out" 2>&1
cp "$root/assets/wood.bmp" "$root/assets/stained.bmp" "$work/mine/"
"$3" --assets "$work/mine" --size 320x240 --frames 2 --out "$work/mine.png" 2>"$work/err"
code=$?
read -r red green blue < <(convert "$work/mine.png" -crop 160x24+80+200 \
    -format "%[fx:mean.r] %[fx:mean.g] %[fx:mean.b]" info: 2>/dev/null)
check '[ -n "$recipe" ] && [ "$code" -eq 0 ] && [ ! -s "$work/err" ] &&
       awk "BEGIN{exit !($red < 0.01 && $green > 0.05 && $blue > 0.05)}"' \
    "the README's ImageMagick line makes a floor the frame shows with no box (r g b: $red $green \
$blue) $(head -c 100 "$work/err")"

# A build folder with the snapshot tool but without the benchmarks, as the demo command leaves.
mkdir -p "$work/build/tools/snapshot"
printf '#!/bin/sh\nexit 0\n' >"$work/build/tools/snapshot/corvane-snapshot"
chmod +x "$work/build/tools/snapshot/corvane-snapshot"
python3 "$root/bench/light-passes.py" "$work/build" >"$work/out" 2>"$work/err"
code=$?
check '[ "$code" -ne 0 ] && [ ! -s "$work/out" ] && ! grep -q Traceback "$work/err" &&
       grep -q "bench/bare_first_frame" "$work/err" &&
       grep -qF -- "-DCORVANE_BUILD_BENCH=ON && cmake --build $work/build" "$work/err"' \
    "light-passes.py names what is missing and the command that builds it, and runs nothing"

gpu=$root/bench/gpu-check.sh
mkdir -p "$work/gpu/tools/snapshot" "$work/failing"
ln -s "$(cd "$(dirname "$3")" && pwd)/$(basename "$3")" "$work/gpu/tools/snapshot/corvane-snapshot"
printf '#!/bin/sh\nexit 1\n' >"$work/failing/convert"
chmod +x "$work/failing/convert"
for bad in "--memory-frames 0" "--memory-frames abc" "--memory-frames 500" "--memory-frames" \
           "--memory-size 0x9" "--bogus" "no-display"; do
    if [ "$bad" = no-display ]; then
        env -u DISPLAY "$gpu" "$work/gpu" --brief >"$work/out" 2>"$work/err"
    else
        timeout 20 "$gpu" "$work/gpu" --brief $bad >"$work/out" 2>"$work/err"
    fi
    code=$?
    check '[ "$code" -eq 2 ] && [ "$(grep -c "^gpu-check: " "$work/err")" -eq 1 ] && [ ! -s "$work/out" ]' \
        "gpu-check $bad: exit $code at once with its one line: $(head -c 120 "$work/err")"
done
PATH="$work/failing:$PATH" timeout 120 "$gpu" "$work/gpu" --brief >"$work/out" 2>"$work/err"
code=$?
check '[ "$code" -eq 2 ] && grep -q "^gpu-check: comparing .* gave no number" "$work/err" &&
       ! grep -q " ok$" "$work/out"' \
    "gpu-check with an image tool that fails: exit $code, no row passes: $(head -c 120 "$work/err")"
# A snapshot that never ends: a signal ends the check and the snapshot at once (well under
# 2 s when idle; 5 s allows for a loaded machine, against the half hour it used to run on).
printf '#!/bin/sh\necho $$ >"%s"\nexec sleep 300\n' "$work/started" >"$work/gpu/slow"
chmod +x "$work/gpu/slow"
ln -sf ../../slow "$work/gpu/tools/snapshot/corvane-snapshot"
for signal in TERM INT; do
    rm -f "$work/started"
    env --default-signal=INT "$gpu" "$work/gpu" --brief >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 50); do [ -s "$work/started" ] && break; sleep 0.1; done
    child=$(cat "$work/started" 2>/dev/null)
    kill -"$signal" "$pid"
    start=$(date +%s%N)
    while kill -0 "$pid" 2>/dev/null || { [ -n "$child" ] && kill -0 "$child" 2>/dev/null; }; do
        [ $(( $(date +%s%N) - start )) -gt 6000000000 ] && break
        sleep 0.05
    done
    ms=$(( ($(date +%s%N) - start) / 1000000 ))
    check '[ -n "$child" ] && [ "$ms" -lt 5000 ] && ! kill -0 "$child" 2>/dev/null' \
        "SIG$signal ends gpu-check and its snapshot in $ms ms"
    kill -KILL "$pid" $child 2>/dev/null
    wait "$pid" 2>/dev/null
done

summary
