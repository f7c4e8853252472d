#!/usr/bin/env bash
# The command lines of the picture generator and of bench/light-passes.py: texgen's usage and
# usage errors (exit 2, nothing written), the committed pictures made again byte for byte, and
# light-passes.py saying what is missing and how to build it before it runs anything.
# Usage: tools-cli.sh CORVANE_TEXGEN SOURCE_DIR
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

summary
