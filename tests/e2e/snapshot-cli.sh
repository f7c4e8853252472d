#!/usr/bin/env bash
# corvane-snapshot's command line, which tools outside the project rely on: the PNG it
# writes, message boxes on stderr, the application's exit code, usage errors, bench output,
# and --full-extent drawing the same frame.
# Usage: snapshot-cli.sh CORVANE_SNAPSHOT ASSETS_DIR   (needs DISPLAY)
set -u
snapshot=$1
assets=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
check() { if eval "$1"; then echo "PASS $2"; passed=$((passed + 1)); else echo "FAIL $2"; failed=$((failed + 1)); fi; }
run() {  # run ARGS...: sets code, out, err
    "$snapshot" "$@" >"$work/out" 2>"$work/err"
    code=$?
}

run --assets "$assets" --size 320x200 --frames 3 --out "$work/frame.png"
check '[ "$code" -eq 0 ] && [ ! -s "$work/err" ]' "a clean run exits 0 and reports no box"
check '[ "$(identify -format "%w %h" "$work/frame.png")" = "320 200" ]' "the PNG has the client size"
check '[ "$(convert "$work/frame.png" -format "%[fx:mean>0.02]" info:)" = 1 ]' "the frame is drawn"

mkdir "$work/damaged"
cp "$assets/wood.bmp" "$assets/stained.bmp" "$work/damaged/"
head -c 100 "$assets/floor.bmp" >"$work/damaged/floor.bmp"
run --assets "$work/damaged" --frames 2
check '[ "$code" -eq 0 ]' "a damaged texture still exits 0"
check 'grep -qx "\[Error\] floor.bmp\\\\n\\\\nInvalid file format." "$work/err"' \
    "its message is one stderr line with the line breaks written as \\n"

run --assets "$assets" --color-bits 16 --answer no
check '[ "$code" -eq 255 ]' "answering No to the colour question exits -1, as 255"
check 'grep -q "^\[Warning\] This Demo is optimized for 32 bits colors" "$work/err"' "the question is printed"
run --assets "$assets" --color-bits 16 --answer yes --frames 2
check '[ "$code" -eq 0 ]' "answering Yes runs the demo"

run --assets "$assets" --frames 3 --command 40004@1
check '[ "$code" -eq 0 ]' "Exit before a frame ends the run with 0"

run --assets "$assets" --frames 5 --bench
check 'grep -Eqx "frames=5 ms_per_frame=[0-9.]+ fps=[0-9.]+" "$work/out"' "bench prints its one line"

run --assets "$assets" --size 320x200 --frames 40 --out "$work/limited.png"
run --assets "$assets" --size 320x200 --frames 40 --full-extent --out "$work/full.png"
check '[ "$code" -eq 0 ] && cmp -s "$work/limited.png" "$work/full.png"' \
    "--full-extent draws the same frame"

for bad in "--frames 0" "--size 64" "--key left@5" "--key sideways@1:2" "--answer maybe" \
           "--command 40013" "--bogus 1" "--frames"; do
    run $bad
    check '[ "$code" -eq 2 ] && grep -q "^usage:" "$work/err"' "'$bad' is a usage error"
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
