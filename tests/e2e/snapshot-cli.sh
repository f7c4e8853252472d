#!/usr/bin/env bash
# corvane-snapshot's command line, which tools outside the project rely on: the PNG it
# writes (and what it never destroys, wherever it is run from), message boxes on stderr, the
# exit code, scripted commands and keys, usage errors and sizes it refuses, bench output,
# --full-extent drawing the same frame, and the pass pictures of --passes.
# Usage: snapshot-cli.sh CORVANE_SNAPSHOT ASSETS_DIR   (needs DISPLAY)
set -u
snapshot=$1
assets=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source-path=SCRIPTDIR source=../../scripts/lib/common.sh
source "$(dirname "$0")/../../scripts/lib/common.sh"
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

program=$(cd "$(dirname "$snapshot")" && pwd)/$(basename "$snapshot")
(cd "$work/damaged" && exec "$program" --frames 1) >"$work/out" 2>"$work/err"
code=$?
check '[ "$code" -eq 0 ] && [ "$(grep -c "^corvane-snapshot: no --assets given: reading the pictures in $work/damaged\$" "$work/err")" -eq 1 ]' \
    "without --assets it says once which folder it read"

run --assets "$assets" --color-bits 16 --answer no
check '[ "$code" -eq 255 ]' "answering No to the colour question exits -1, as 255"
check 'grep -q "^\[Warning\] This Demo is optimized for 32 bits colors" "$work/err"' "the question is printed"
run --assets "$assets" --color-bits 16 --answer yes --frames 2
check '[ "$code" -eq 0 ]' "answering Yes runs the demo"

# Every bench figure names what produced it: size, EGL platform and GL_RENDERER.
producer=' size=[0-9]+x[0-9]+ platform=(surfaceless|device|default) renderer="[^"]+"'
run --assets "$assets" --size 320x200 --frames 5 --bench
check 'grep -Eqx "frames=5 ms_per_frame=[0-9.]+ fps=[0-9.]+ size=320x200 platform=(surfaceless|device|default) renderer=\"[^\"]+\"" "$work/out"' \
    "bench prints its one line with the size, platform and renderer"

# A run that ends before its last frame (Exit by number or by name) is a failure: one line,
# nothing written; bench times the frames actually drawn, or says why there is no figure.
run --assets "$assets" --frames 3 --command 40004@1
check '[ "$code" -ne 0 ] && [ "$(wc -l <"$work/err")" -eq 1 ]' \
    "Exit before the last frame fails with one line"
run --assets "$assets" --frames 10 --command exit@4 --bench --out "$work/early.png"
check '[ "$code" -ne 0 ] && [ ! -e "$work/early.png" ] && [ "$(wc -l <"$work/err")" -eq 1 ]' \
    "a run ended early writes nothing and fails with one line"
check 'grep -Eqx "frames=4 ms_per_frame=[0-9.]+ fps=[0-9.]+$producer" "$work/out"' \
    "bench times the 4 frames drawn"
run --assets "$assets" --frames 3 --command exit@1 --bench
check 'grep -Eqx "frames=1 no figure: timing needs at least 2 frames$producer" "$work/out"' \
    "bench with one frame drawn gives no figure"

# Without any EGL display (no EGL vendor library for libglvnd to load): the reason in the
# box, and one more line naming each platform tried.
__EGL_VENDOR_LIBRARY_FILENAMES=/dev/null run --assets "$assets" --frames 2
check '[ "$code" -eq 255 ] &&
       grep -qx "\[Error\] Failed to set pixel format.\\\\n\\\\nNo EGL display is available." "$work/err" &&
       grep -Eq "^corvane-snapshot: EGL displays tried: surfaceless \(.+\), device \(.+\), default \(.+\)$" "$work/err"' \
    "no EGL display: the box gives the reason and one line names what was tried"

run --assets "$assets" --frames 1 --command about@0
check '[ "$code" -eq 0 ] && grep -q "^\[About This Demo\]" "$work/err"' \
    "a command by name reaches the menu"

# Every --key range of a key acts, whatever the order: both ranges differ from either alone.
for keys in "0:3 5:8" "5:8 0:3" "5:8" "0:3"; do
    set -- $keys
    run --assets "$assets" --size 160x120 --frames 8 --key "left@$1" ${2:+--key "left@$2"} \
        --out "$work/keys-${keys// /-}.png"
done
check 'cmp -s "$work/keys-0:3-5:8.png" "$work/keys-5:8-0:3.png" &&
       ! cmp -s "$work/keys-0:3-5:8.png" "$work/keys-5:8.png" &&
       ! cmp -s "$work/keys-0:3-5:8.png" "$work/keys-0:3.png"' "two ranges of one key both act"
# A range A:B holds the key in frames A to B-1 exactly: here frames 0 to 3 are drawn.
for range in "" 3:9 4:9 0:3 0:4; do
    run --assets "$assets" --size 160x120 --frames 4 ${range:+--key "left@$range"} \
        --out "$work/held-${range:-none}.png"
done
check '! cmp -s "$work/held-3:9.png" "$work/held-none.png" &&
       cmp -s "$work/held-4:9.png" "$work/held-none.png" &&
       ! cmp -s "$work/held-0:3.png" "$work/held-0:4.png"' \
    "left@A:B holds the key from frame A to frame B-1, no more"

# Writing --out: what stood at the path stays unless the new picture is complete; a link is
# written through; no temporary file is left behind.
cp "$work/frame.png" "$work/keep.png"
ln -s keep.png "$work/link.png"
run --assets "$assets" --size 64x48 --out "$work/link.png"
check '[ "$code" -eq 0 ] && [ -L "$work/link.png" ] &&
       [ "$(identify -format "%w %h" "$work/keep.png")" = "64 48" ]' "a link is written through"
cp "$work/frame.png" "$work/keep.png"
(trap '' XFSZ; ulimit -f 1; MESA_SHADER_CACHE_DISABLE=true exec "$snapshot" --assets "$assets" \
    --size 320x200 --out "$work/keep.png") >"$work/out" 2>"$work/err"
code=$?
check '[ "$code" -ne 0 ] && cmp -s "$work/frame.png" "$work/keep.png" &&
       [ "$(wc -l <"$work/err")" -eq 1 ]' \
    "a write cut short by a full disk keeps the old picture and fails with one line"
mkdir "$work/folder.png"
ln -s /dev/full "$work/full.png"
for out in "$work/missing/frame.png" "$work/folder.png" "$work/full.png"; do
    run --assets "$assets" --size 64x48 --out "$out"
    check '[ "$code" -ne 0 ] && [ "$(wc -l <"$work/err")" -eq 1 ] &&
           grep -q "cannot write" "$work/err"' \
        "writing to ${out#$work/} fails with one line"
done
check '[ -d "$work/folder.png" ] && [ -L "$work/full.png" ]' "the folder and the link stay"
(umask 002 && exec "$snapshot" --assets "$assets" --size 64x48 --out "$work/new.png") 2>/dev/null
check '[ "$(stat -c %a "$work/new.png")" = 664 ]' \
    "a new --out file has the permissions of a new file under the umask (002: $(stat -c %a "$work/new.png"))"
check '[ -z "$(find "$work" -name ".corvane-*")" ]' "no temporary file is left"

# A path longer than the system resolves (PATH_MAX, 4096 bytes) is refused in one line: here a
# relative --out and --passes from a 4,400-byte working directory, never written in --assets.
mkdir "$work/assets"
cp "$assets"/*.bmp "$work/assets/"
long=$(printf 'd%.0s' $(seq 200))
program=$(realpath "$snapshot")
(
    cd "$work" || exit 1
    for _ in $(seq 22); do mkdir "$long" && cd "$long" || exit 1; done
    "$program" --assets "$work/assets" --size 64x48 --out floor.bmp --passes shots 2>"$work/err"
    echo "$? $(ls -A | wc -l)" >"$work/deep"
)
check '[ "$(cat "$work/deep")" = "2 0" ] && [ "$(wc -l <"$work/err")" -eq 1 ] &&
       cmp -s "$assets/floor.bmp" "$work/assets/floor.bmp" && [ ! -e "$work/assets/shots" ]' \
    "a relative --out and --passes from a 4,400-byte working directory are refused in one line"
# Any legal name fits beside its temporary file.
name=$(printf 'n%.0s' $(seq 246)).png
run --assets "$assets" --size 64x48 --out "$work/$name"
check '[ "$code" -eq 0 ] && [ "$(identify -format "%w" "$work/$name")" = 64 ]' "a 250-byte name is written"
# Sizes it cannot draw are refused at once, in one line, before a FIFO --out is opened (which
# would wait for a reader).
mkfifo "$work/fifo"
for size in 16384x16384 8193x64; do
    run --assets "$assets" --size "$size" --frames 1 --out "$work/huge.png"
    check '[ "$code" -eq 2 ] && [ "$(wc -l <"$work/err")" -eq 1 ] && [ ! -e "$work/huge.png" ]' \
        "--size $size is refused in one line"
done
timeout 20 "$snapshot" --assets "$assets" --size 99999x1 --out "$work/fifo" 2>"$work/err"
code=$?
check '[ "$code" -eq 2 ] && [ "$(wc -l <"$work/err")" -eq 1 ]' "--size 99999x1 with a FIFO --out: exit $code"
# INT, TERM, HUP, QUIT and PIPE while the new set is written remove it (its folder beside the
# passes folder, and the pictures in it) and end the process as the signal does (128 + its
# number), keeping the old set; one the caller ignores stays ignored. SIGXFSZ from a
# file-size limit is an error of one line instead.
"$snapshot" --assets "$assets" --size 64x48 --passes "$work/signalled" >/dev/null 2>&1
cp -r "$work/signalled" "$work/signalled-before"
for row in "TERM 143" "QUIT 131" "PIPE 141" "HUP 129" "INT 130" "HUP 0 ignored"; do
    set -- $row
    signal=$1 expected=$2 how=${3:-}
    rm -rf "$work"/.corvane-*  # what a failed row left
    if [ "$how" = ignored ]; then
        (trap '' HUP; exec "$snapshot" --assets "$assets" --size 2048x2048 --passes "$work/signalled") \
            2>"$work/err" &
    else
        # A background job starts with SIGINT and SIGQUIT ignored: put back the defaults.
        env --default-signal "$snapshot" --assets "$assets" --size 2048x2048 \
            --passes "$work/signalled" 2>"$work/err" &
    fi
    pid=$!
    sent=
    while kill -0 "$pid" 2>/dev/null; do
        set -- "$work"/.corvane-*/*.png
        if [ -e "$1" ]; then
            kill -"$signal" "$pid"
            sent=yes
            break
        fi
        sleep 0.01
    done
    wait "$pid"
    code=$?
    set -- "$work"/.corvane-*
    left=$1  # check's own $1 is its condition
    check '[ "$sent" = yes ] && [ "$code" -eq "$expected" ] && [ ! -e "$left" ] &&
           { [ "$how" = ignored ] || diff -r "$work/signalled-before" "$work/signalled" >/dev/null; }' \
        "SIG$signal${how:+ (ignored)} while the set is written: exit $code, nothing left beside it, the old set kept"
done
cp "$work/frame.png" "$work/keep.png"
(ulimit -f 50; exec "$snapshot" --assets "$assets" --size 2048x2048 --out "$work/keep.png") \
    >"$work/out" 2>"$work/err"
code=$?
set -- "$work"/.corvane-*
left=$1
check '[ "$code" -eq 1 ] && [ "$(wc -l <"$work/err")" -eq 1 ] && grep -q "File too large" "$work/err" &&
       [ ! -e "$left" ] && cmp -s "$work/frame.png" "$work/keep.png"' \
    "a file-size limit fails the write with one line, no temporary file and the old picture"
# Out of memory is one line and exit 1, with the old picture kept (a machine whose libraries
# leave the picture room under the limit writes it). Not under AddressSanitizer, which
# reserves terabytes of address space at start and reports running out itself.
if ldd "$snapshot" | grep -q libasan; then
    echo "SKIP out of memory under ulimit -v: the tool is built with AddressSanitizer"
else
    (ulimit -v 800000; exec "$snapshot" --assets "$assets" --size 4096x4096 --out "$work/keep.png") \
        >"$work/out" 2>"$work/err"
    code=$?
    check '{ [ "$code" -eq 0 ] || { [ "$code" -eq 1 ] && cmp -s "$work/frame.png" "$work/keep.png" &&
           [ "$(cat "$work/err")" = "corvane-snapshot: out of memory" ]; }; } &&
           [ -z "$(ls -A "$work" | grep "^[.]corvane")" ]' \
        "--size 4096x4096 under ulimit -v 800000: exit $code: $(head -c 100 "$work/err")"
fi

run --help
check '[ "$code" -eq 0 ] && grep -q "^usage:" "$work/out" && grep -q "light2-glass" "$work/out"' \
    "--help prints the usage with the command names and exits 0"

run --assets "$assets" --size 320x200 --frames 40 --out "$work/extent-limited.png"
run --assets "$assets" --size 320x200 --frames 40 --full-extent --out "$work/extent-full.png"
check '[ "$code" -eq 0 ] && cmp -s "$work/extent-limited.png" "$work/extent-full.png"' \
    "--full-extent draws the same frame"

# --passes DIR: one picture per pass drawn, in order, the last one the frame --out writes;
# watching the passes changes no pixel; a light switched off leaves its passes out, also
# in a folder that held them from an earlier run.
passes="01-shadow-marks 02-floor-base 03-floor-light1 04-floor-light2 05-floor-texture
06-shape-base 07-shape-light1 08-shape-light2 09-shape-wood 10-shape-specular 11-light-bodies
12-glass-panes"
run --assets "$assets" --size 320x240 --frames 30 --passes "$work/passes" --out "$work/watched.png"
check '[ "$code" -eq 0 ] && [ ! -s "$work/err" ] &&
       [ "$(cd "$work/passes" && ls | tr "\n" " ")" = "$(echo $passes | sed "s/ /.png /g").png passes.txt sheet.png " ]' \
    "--passes writes the pictures of the default frame's passes, passes.txt and sheet.png"
run --assets "$assets" --size 320x240 --frames 30 --out "$work/unwatched.png"
check 'cmp -s "$work/passes/12-glass-panes.png" "$work/watched.png" &&
       cmp -s "$work/watched.png" "$work/unwatched.png"' \
    "the last pass is the frame, the same as without --passes"
check '[ "$(grep -c "^01 shadow-marks .*stencil=NOTEQUAL" "$work/passes/passes.txt")" -eq 2 ] &&
       grep -q "^05 floor-texture .*blend=DST_COLOR/ZERO texture=floor.bmp" "$work/passes/passes.txt" &&
       [ "$(identify -format "%w" "$work/passes/sheet.png")" -eq 1300 ] &&
       head -n 1 "$work/passes/passes.txt" | grep -q "^# The passes of frame 30 (320x240), "' \
    "passes.txt gives the run's frame and size, and each pass's state; the sheet has 4 columns"
cp -a "$work/passes" "$work/passes-exchanged"
run --assets "$assets" --size 320x240 --frames 30 --command light2@0 --passes "$work/passes"
check '[ "$code" -eq 0 ] && ! ls "$work/passes" | grep -q light2 &&
       ls "$work/passes" | grep -qx 09-light-bodies.png && ! grep -q LIGHT2 "$work/passes/passes.txt" &&
       [ "$(grep -c "^01 shadow-marks" "$work/passes/passes.txt")" -eq 1 ]' \
    "with light 2 off its passes are left out"
# Where the filesystem cannot exchange two folders, the old set is moved aside for the new:
# the same whole set as the exchange puts in place, and nothing left beside it.
printf '#define _GNU_SOURCE\n#include <errno.h>\nint renameat2(int a, const char *b, int c,
const char *d, unsigned f) { errno = EINVAL; return -1; }\n' >"$work/no-exchange.c"
cc -shared -fPIC -o "$work/no-exchange.so" "$work/no-exchange.c"
LD_PRELOAD=$work/no-exchange.so ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0 \
    run --assets "$assets" --size 320x240 --frames 30 --passes "$work/passes"
check '[ "$code" -eq 0 ] && diff -r "$work/passes-exchanged" "$work/passes" >/dev/null &&
       [ -z "$(ls -A "$work" | grep "^[.]corvane")" ]' \
    "without the exchange, the set moved in is the whole set, and nothing is left beside it"

# What --out and --passes may name. The passes folder holds only a set the tool wrote, and
# --out is never in it; everything is checked before the first frame (a late refusal of a
# 100,000-frame run would run out the timeout, 124); streams are written in place.
run --assets "$assets" --size 64x48 --passes "$work/set"
mkdir "$work/outside" "$work/notes"
echo mine >"$work/outside/mine.png"
echo "my notes" >"$work/notes/passes.txt"
echo "old log line" >"$work/log"
printf 'x' >"$work/suid.png"
chmod 4755 "$work/suid.png"
ln -s "$work/nowhere" "$work/dangling-dir"
long=$(printf 'p%.0s' $(seq 300))
user=()  # root may write any folder: the rows for a folder the user cannot write run as nobody
[ "$(id -u)" -eq 0 ] && user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
for row in "2|--passes set --out set/sheet.png" "2|--passes set --out set/frame-new.png" \
           "2|--passes new --out new" "2|--passes outside" "2|--passes notes" \
           "2|--passes keep.png --out frame.png" "2|--passes dangling-dir --out frame.png" \
           "2|--out dangling-dir" "2|--passes $long --out frame.png" "2|--passes /sys/corvane|user" \
           "2|--out /sys/corvane.png|user" "2|--out /proc/corvane.png|user" "2|--out -|closed" \
           "0|--out /dev/stderr|log" "0|--out -|stdout" "0|--out /dev/stdout|pipe" \
           "0|--out suid.png" "1|--bench|full" "1|--bench|closed" "1|--passes set|limit" \
           "0|--out -|read-write" "2|--out -|read-only"; do
    IFS='|' read -r expected arguments how <<<"$row"
    cp "$work/frame.png" "$work/keep.png"
    rm -rf "$work/set-before" && cp -a "$work/set" "$work/set-before"
    read -ra extra <<<"$arguments"
    frames=100000
    [ "$expected" != 2 ] && frames=1
    command=(timeout 60 "$program" --assets "$assets" --size 64x48 --frames "$frames" "${extra[@]}")
    case $how in
        closed) (cd "$work" && exec "${command[@]}" >&-) 2>"$work/err" ;;
        user) (cd / && exec "${user[@]}" "${command[@]}") >"$work/out" 2>"$work/err" ;;
        log) (cd "$work" && exec "${command[@]}" 2>>"$work/log") >"$work/out" ;;
        stdout) (cd "$work" && exec "${command[@]}" --bench) >"$work/out" 2>"$work/err" ;;
        pipe) (cd "$work" && exec "${command[@]}" | cat >"$work/out") 2>"$work/err" ;;
        read-write) : >"$work/out" && (cd "$work" && exec "${command[@]}" 1<>"$work/out") \
                        2>"$work/err" ;;
        read-only) (cd "$work" && exec "${command[@]}" 1<"$work/frame.png") 2>"$work/err" ;;
        full) (cd "$work" && exec "${command[@]}" >/dev/full) 2>"$work/err" ;;
        limit) (cd "$work" && ulimit -f 20 && exec "${command[@]}" --size 640x480) >"$work/out" \
                   2>"$work/err" ;;
        *) (cd "$work" && exec "${command[@]}") >"$work/out" 2>"$work/err" ;;
    esac
    code=$?
    said=yes
    case $how in
        log) [ "$(head -n 1 "$work/log")" = "old log line" ] &&
             [ "$(tail -c +14 "$work/log" | head -c 4 | od -An -c | tr -d ' ')" = 211PNG ] || said=no ;;
        stdout) identify "$work/out" >/dev/null 2>&1 && grep -q "^frames=1 " "$work/err" || said=no ;;
        pipe | read-write) identify "$work/out" >/dev/null 2>&1 || said=no ;;
        limit) diff -r "$work/set-before" "$work/set" >/dev/null &&
               [ -z "$(ls -A "$work" | grep '^[.]corvane')" ] || said=no ;;
    esac
    [ "$expected" != 0 ] && [ "$(wc -l <"$work/err")" -ne 1 ] && said=no
    [ "$arguments" = "--out suid.png" ] && [ "$(stat -c %a "$work/suid.png")" != 755 ] && said=no
    [ "$arguments" = "--out dangling-dir" ] && ! grep -q "a link to nothing" "$work/err" && said=no
    check '[ "$code" -eq "$expected" ] && [ "$said" = yes ] && cmp -s "$work/frame.png" "$work/keep.png"' \
        "${arguments//$work\//}${how:+ ($how)}: exit $code: $(head -c 100 "$work/err")"
done
check '[ "$(cat "$work/outside/mine.png")" = mine ] && [ "$(cat "$work/notes/passes.txt")" = "my notes" ] &&
       [ ! -e "$work/new" ] && [ ! -e "$work/$long" ] && [ ! -e "$work/nowhere" ]' \
    "the user's files in the refused folders stay as they were; no folder is left behind"
# A mount point, as a container's volume is (here a folder and a file bound onto others of the
# same filesystem), cannot be renamed: --passes on one is refused at once, and --out on one is
# written in place. The mounts need a mount namespace: in a user namespace where the system
# allows one (not in a chroot), or else through sudo; without either the case says it is skipped.
mounts=()
if unshare -rm true 2>/dev/null; then mounts=(unshare -rm)
elif sudo -n true 2>/dev/null; then mounts=(sudo -nE unshare -m)
fi
mkdir "$work/volume" "$work/volume-source"
echo old >"$work/bound.png"
: >"$work/bound-source.png"
if [ ${#mounts[@]} -gt 0 ]; then
    MESA_SHADER_CACHE_DISABLE=true "${mounts[@]}" sh -c '
        mount --bind "$1/volume-source" "$1/volume" && mount --bind "$1/bound-source.png" "$1/bound.png" ||
            exit
        timeout 20 "$2" --assets "$3" --size 64x48 --frames 100000 --passes "$1/volume" 2>"$1/err"
        echo $? >"$1/volume-code"
        "$2" --assets "$3" --size 64x48 --out "$1/bound.png"' - "$work" "$program" "$assets"
    code=$?
    check '[ "$(cat "$work/volume-code")" = 2 ] && [ "$(wc -l <"$work/err")" -eq 1 ] &&
           grep -q "a mount point, .*; name a folder inside it$" "$work/err" &&
           [ -z "$(ls -A "$work/volume-source")" ]' \
        "--passes on a mount point: exit $(cat "$work/volume-code"): $(head -c 160 "$work/err")"
    check '[ "$code" -eq 0 ] && [ "$(identify -format "%w %h" "$work/bound-source.png")" = "64 48" ] &&
           [ -z "$(ls -A "$work" | grep "^[.]corvane")" ]' \
        "--out on a bind-mounted file writes it in place: exit $code"
else
    echo "SKIP mount points: neither a user namespace nor sudo gives a mount namespace here"
fi

# Two runs at once into one passes folder, existing and then missing: each ends well (or is
# refused before it draws), the folder holds exactly the set its passes.txt records and
# nothing is left beside it; a third run succeeds.
for state in existing missing; do
    [ "$state" = missing ] && rm -rf "$work/set"
    "$snapshot" --assets "$assets" --size 160x120 --frames 30 --passes "$work/set" 2>/dev/null &
    first=$!
    "$snapshot" --assets "$assets" --size 160x120 --command light2@0 --passes "$work/set" 2>/dev/null
    second=$?
    wait "$first"
    first=$?
    recorded=$( (echo passes.txt; echo sheet.png; grep -v "^#" "$work/set/passes.txt" |
                 awk '{print $1 "-" $2 ".png"}') | sort -u | tr '\n' ' ')
    check '[[ "$first $second" =~ ^[02]\ [02]$ ]] && [ "$(ls -A "$work/set" | tr "\n" " ")" = "$recorded" ] &&
           [ -z "$(ls -A "$work" | grep "^[.]corvane")" ]' \
        "two runs at once into one $state passes folder: exits $first and $second, one whole set"
done
run --assets "$assets" --size 64x48 --passes "$work/set"
check '[ "$code" -eq 0 ]' "a third run into that folder succeeds"

for bad in "--frames 0" "--size 64" "--size 0x0" "--size 64x0" "--key left@5" \
           "--key sideways@1:2" "--answer maybe" "--command 40013" "--command 40013@1" \
           "--frames 3 --command exit@3" "--command sideways@0" "--bogus 1" "--frames"; do
    run $bad
    check '[ "$code" -eq 2 ] && grep -q "^usage:" "$work/err"' "'$bad' is a usage error"
done
run --out ""
check '[ "$code" -eq 2 ] && grep -q "^usage:" "$work/err"' "an empty --out is a usage error"

summary
