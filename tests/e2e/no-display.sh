#!/usr/bin/env bash
# Without an X display every program of ours (the demo on FLTK; the snapshot tool and the
# test suites on the offscreen backend, whose GLUT needs the display) says in one stderr line
# what is missing and what to do, and ends at once with the start-up failure code (-1, seen
# as 255): with DISPLAY unset, and with DISPLAY naming a display no server answers.
# Usage: no-display.sh PROGRAM...
set -u
passed=0
failed=0
check() { if eval "$1"; then echo "PASS $2"; passed=$((passed + 1)); else echo "FAIL $2"; failed=$((failed + 1)); fi; }
err=$(mktemp)
trap 'rm -f "$err"' EXIT

# A display number with neither a socket nor a lock file: nothing answers there.
free=
for number in $(seq 1999 2099); do
    if [ ! -e "/tmp/.X11-unix/X$number" ] && [ ! -e "/tmp/.X$number-lock" ]; then
        free=":$number"
        break
    fi
done

for program in "$@"; do
    name=$(basename "$program")
    for case in unset "$free"; do
        start=$(date +%s%N)
        if [ "$case" = unset ]; then
            env -u DISPLAY "$program" >/dev/null 2>"$err"
        else
            DISPLAY="$case" "$program" >/dev/null 2>"$err"
        fi
        code=$?
        ms=$(( ($(date +%s%N) - start) / 1000000 ))
        lines=$(wc -l <"$err")
        if [ "$case" = unset ]; then
            names="DISPLAY is not set"
        else
            names="\"$case\""
        fi
        check '[ "$code" -eq 255 ] && [ "$ms" -lt 1500 ] && [ "$lines" -eq 1 ] && grep -qF "$names" "$err"' \
            "$name with DISPLAY $case: exit $code after $ms ms, $lines line: $(head -c 160 "$err")"
    done
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
