#!/usr/bin/env bash
# GPU check: corvane-snapshot on the machine's default GL driver beside Mesa's llvmpipe
# (forced through libglvnd's and Mesa's own switches). Renders a fixed set of
# configurations with both and compares them pixel by pixel; compares limited light passes
# with full extent; times both at 640x480 to 3840x2160 as --bench does (completed frames),
# beside the whole-process difference method; samples resident memory over a long run.
# Prints a table; exits 1 when a picture differs beyond the tolerance below, when the Mesa
# column is not llvmpipe, or when memory grows. On a machine with only Mesa both columns are
# llvmpipe; --brief is that check made small enough for CI. Exits 2, with a "gpu-check:" line,
# when it cannot check: a bad option (checked first), no display, no Mesa vendor file, a
# snapshot that does not start, or any step that gives no number. SIGINT and SIGTERM end it
# and every process it started.
#
# Usage: scripts/with-display.sh bench/gpu-check.sh BUILD_DIR [--brief]
#          [--memory-frames N] [--memory-size WxH]
# Tolerance: a picture fails when more than 0.1 % of its pixels differ by over 8 levels in
# some channel, or more than 0.01 % by over 32 levels. Memory fails when the resident size
# rises more than 20 MB above its value after the first 10,000 frames (1,000 in --brief).
set -euo pipefail
build=${1:?usage: gpu-check.sh BUILD_DIR [--brief] [--memory-frames N] [--memory-size WxH]}
shift
root=$(cd "$(dirname "$0")/.." && pwd)
snapshot=$build/tools/snapshot/corvane-snapshot
assets=$root/assets

brief=0
memory_frames=1000000 memory_baseline=10000 memory_size=320x240 memory_limit_kb=20480
picture_frames=90 picture_sizes=(640x480 1280x720 1920x1080)
time_sizes=(640x480 1280x720 1920x1080 3840x2160) time_frames=600 time_short=60
while (($#)); do
  case $1 in
    --brief)
      brief=1 memory_frames=6000 memory_baseline=1000 memory_size=64x48
      picture_frames=24 picture_sizes=(160x120) time_sizes=(160x120 320x240)
      time_frames=120 time_short=30 ;;
    --memory-frames) memory_frames=${2-}; shift $(($# > 1 ? 1 : 0)) ;;
    --memory-size) memory_size=${2-}; shift $(($# > 1 ? 1 : 0)) ;;
    *) echo "gpu-check: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
usage_error() { echo "gpu-check: $*" >&2; exit 2; }
[[ $memory_frames =~ ^[1-9][0-9]{0,8}$ ]] ||
  usage_error "--memory-frames needs a positive whole number, not '$memory_frames'"
((memory_frames >= 2 * memory_baseline)) ||
  usage_error "--memory-frames $memory_frames: the run needs at least twice its baseline of" \
    "$memory_baseline frames, $((2 * memory_baseline))"
[[ $memory_size =~ ^[1-9][0-9]{0,4}x[1-9][0-9]{0,4}$ ]] ||
  usage_error "--memory-size needs WxH in positive whole numbers, not '$memory_size'"
[[ -n ${DISPLAY:-} ]] ||
  usage_error "no X display (DISPLAY is not set): run it under scripts/with-display.sh"
for tool in convert awk; do
  command -v "$tool" >/dev/null ||
    { echo "gpu-check: needs $tool (ImageMagick, awk)" >&2; exit 2; }
done
[[ -x "$snapshot" ]] || { echo "gpu-check: no $snapshot (build the Release tree)" >&2; exit 2; }
mesa_vendor=
for file in /usr/share/glvnd/egl_vendor.d/50_mesa.json /etc/glvnd/egl_vendor.d/50_mesa.json; do
  [[ -f "$file" ]] && { mesa_vendor=$file; break; }
done
[[ -n "$mesa_vendor" ]] ||
  { echo "gpu-check: Mesa's EGL vendor file is not installed" >&2; exit 2; }

work=$(mktemp -d)
failed=0
# Every long step runs as a child the shell waits for, so a signal is acted on at once: the
# children (and theirs) are ended, then the script. A background child would start with
# SIGINT ignored, so they are sent SIGTERM.
kill_tree() {  # kill_tree PID: every descendant, from one listing of the processes
  local all pid ppid list=" $1 " grew=1
  all=$(ps -e -o pid=,ppid=)
  while ((grew)); do
    grew=0
    while read -r pid ppid; do
      [[ $list == *" $ppid "* && $list != *" $pid "* ]] && { list+="$pid "; grew=1; }
    done <<<"$all"
  done
  for pid in $list; do
    [[ $pid == "$1" ]] || kill -TERM "$pid" 2>/dev/null || true
  done
}
stop() { trap - INT TERM; kill_tree $$; rm -rf "$work"; exit "$1"; }
trap 'rm -rf "$work"' EXIT
trap 'stop 130' INT
trap 'stop 143' TERM
run_child() { "$@" & wait $!; }
cannot() { echo "gpu-check: $*" >&2; exit 2; }
# numbers WHAT VALUE...: each value must be a number, else the check cannot go on.
numbers() {
  local what=$1 value; shift
  for value in "$@"; do
    [[ $value =~ ^-?[0-9]+([.][0-9]+)?(e[-+]?[0-9]+)?$ ]] ||
      cannot "$what gave no number ('$value'): $(head -c 300 "$work/err" 2>/dev/null)"
  done
}

# on DRIVER COMMAND...: runs the command on the default driver or on llvmpipe.
on() {
  local driver=$1; shift
  if [[ $driver == mesa ]]; then
    __EGL_VENDOR_LIBRARY_FILENAMES=$mesa_vendor LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe \
      "$@"
  else
    "$@"
  fi
}
shot() {  # shot DRIVER OUT SIZE FRAMES ARGS...
  local driver=$1 out=$2 size=$3 frames=$4; shift 4
  run_child on "$driver" "$snapshot" --assets "$assets" --size "$size" --frames "$frames" \
    --out "$out" "$@" >/dev/null 2>"$work/err" ||
    { echo "gpu-check: snapshot failed: $(cat "$work/err")" >&2; exit 1; }
}
producer() {  # producer DRIVER: sets is to the bench line's renderer and platform
  run_child on "$1" "$snapshot" --assets "$assets" --size 64x48 --frames 2 --bench \
    >"$work/out" 2>"$work/err" ||
    cannot "the snapshot does not start on the $1 driver: $(head -c 300 "$work/err")"
  is=$(sed -n 's/.* \(platform=[^ ]*\) \(renderer=".*"\)$/\2 \1/p' "$work/out")
  [[ -n $is ]] || cannot "the $1 driver's bench line names no renderer: $(cat "$work/out")"
}
now_ms() { echo $(($(date +%s%N) / 1000000)); }

producer default
default_is=$is
producer mesa
mesa_is=$is
echo "default driver: $default_is"
echo "Mesa column:    $mesa_is"
if [[ $mesa_is != *llvmpipe* ]]; then
  echo "FAIL: the Mesa column is not llvmpipe; its switches did not take" >&2
  failed=1
fi
[[ $default_is == "$mesa_is" ]] && echo "(only Mesa here: both columns are llvmpipe)"

# Share of pixels (%) whose largest channel difference is over 8 and over 32 levels, and the
# largest difference, of two pictures of one size.
# Sets diff to the three; any that the image tool does not give ends the check.
compare() {
  local over8= over32= top=
  if convert "$1" "$2" -compose difference -composite -separate -evaluate-sequence max \
       "$work/diff.miff" 2>"$work/err"; then
    over8=$(convert "$work/diff.miff" -threshold 3.3333% -format '%[fx:100*mean]' info: \
      2>"$work/err") || over8=
    over32=$(convert "$work/diff.miff" -threshold 12.745% -format '%[fx:100*mean]' info: \
      2>"$work/err") || over32=
    top=$(convert "$work/diff.miff" -format '%[fx:round(255*maxima)]' info: 2>"$work/err") ||
      top=
  fi
  numbers "comparing $(basename "$1") with $(basename "$2")" "$over8" "$over32" "$top"
  diff="$over8 $over32 $top"
}
within() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a <= 0.1 && b <= 0.01) }'; }

configs=(
  "default|"
  "sphere|--command change-shape@0"
  "cylinder|--command change-shape@0 --command change-shape@1"
  "no-glass|--command light1-glass@0 --command light2-glass@0"
  "no-lights|--command light1@0 --command light2@0"
  "no-shadow|--command shadow@0"
  "stencil-1-bit|--stencil-bits 1"
  "orbit-keys|--key left@0:50 --key up@10:40 --key home@20:70"
)
((brief)) && configs=("${configs[0]}" "${configs[2]}" "${configs[6]}" "${configs[7]}")
echo
echo "Pictures after $picture_frames frames" \
  "(fail: over 8 levels > 0.1 % or over 32 > 0.01 % of pixels)"
printf '%-14s %-10s | %-27s | %-27s | %s\n' "" "" "default against llvmpipe" \
  "limited against full extent" ""
printf '%-14s %-10s | %8s %9s %7s | %8s %9s %7s | %s\n' config size "over 8 %" "over 32 %" max \
  "over 8 %" "over 32 %" max result
rows=()
for size in "${picture_sizes[@]}"; do
  for entry in "${configs[@]}"; do rows+=("$size|$entry"); done
  ((brief)) && break
  configs=("${configs[0]}")  # the larger sizes: the default configuration only
done
for row in "${rows[@]}"; do
  IFS='|' read -r size name args <<<"$row"
  read -ra extra <<<"$args"
  shot default "$work/d.png" "$size" "$picture_frames" "${extra[@]}"
  shot mesa "$work/m.png" "$size" "$picture_frames" "${extra[@]}"
  shot default "$work/f.png" "$size" "$picture_frames" --full-extent "${extra[@]}"
  compare "$work/d.png" "$work/m.png"
  read -r a8 a32 amax <<<"$diff"
  compare "$work/d.png" "$work/f.png"
  read -r b8 b32 bmax <<<"$diff"
  result=ok
  if ! within "$a8" "$a32" || ! within "$b8" "$b32"; then result=FAIL; failed=1; fi
  printf '%-14s %-10s | %8.4f %9.4f %7d | %8.4f %9.4f %7d | %s\n' "$name" "$size" "$a8" "$a32" \
    "$amax" "$b8" "$b32" "$bmax" "$result"
done

# Timing on the default driver. bench: corvane-snapshot --bench, from the completed first
# frame to the completed last, over N frames. Over the same frames M to N - 1, limited:
# bench of N frames less bench of M frames, and the difference method, whole-process time
# of N frames minus that of M frames, each with its last frame read back.
echo
echo "Frame time on the default driver, ms per frame (N = $time_frames, M = $time_short)"
printf '%-10s %10s %10s %8s | %12s %12s %10s\n' size "limited" "full" ratio "bench M..N" \
  "difference" "bench/diff"
bench_ms() {  # bench_ms SIZE FRAMES ARGS...: sets ms to --bench's ms per frame
  local size=$1 frames=$2; shift 2
  ms=
  run_child "$snapshot" --assets "$assets" --size "$size" --frames "$frames" --bench "$@" \
    >"$work/out" 2>"$work/err" || true
  ms=$(sed -n 's/.*ms_per_frame=\([0-9.]*\).*/\1/p' "$work/out")
  numbers "the bench of $size, $frames frames" "$ms"
}
whole_ms() {  # whole_ms SIZE FRAMES: sets ms to the whole process's wall time, frame read back
  local start
  start=$(now_ms)
  run_child "$snapshot" --assets "$assets" --size "$1" --frames "$2" --out "$work/t.png" \
    >/dev/null 2>"$work/err" || cannot "the run of $1, $2 frames failed: $(cat "$work/err")"
  ms=$(($(now_ms) - start))
}
for size in "${time_sizes[@]}"; do
  bench_ms "$size" "$time_frames"; limited=$ms
  bench_ms "$size" "$time_frames" --full-extent; full=$ms
  bench_ms "$size" "$time_short"; first=$ms
  whole_ms "$size" "$time_frames"; long=$ms
  whole_ms "$size" "$time_short"; short=$ms
  awk -v s="$size" -v l="$limited" -v f="$full" -v e="$first" -v a="$long" -v b="$short" \
      -v n="$time_frames" -v m="$time_short" 'BEGIN {
    t = (l * (n - 1) - e * (m - 1)) / (n - m)
    d = (a - b) / (n - m)
    printf "%-10s %10.3f %10.3f %7.2fx | %12.3f %12.3f %10.2f\n", s, l, f, f / l, t, d,
           (d > 0 ? t / d : 0)
  }'
done

# Resident memory of a long run on the default driver. The frame rate of a short run at the
# same size says when the first frames are done; that sample is the baseline.
echo
short_run=$(( memory_baseline < 2000 ? memory_baseline : 2000 ))
start=$(now_ms)
bench_ms "$memory_size" "$short_run"
rate=$ms
# The baseline's time: start-up (the short run's wall time less its frames) and the frames.
baseline_ms=$(awk -v w="$(($(now_ms) - start))" -v r="$rate" -v n="$short_run" \
  -v b="$memory_baseline" 'BEGIN { s = w - r * n; print int((s > 0 ? s : 0) + r * b) }')
interval=$( ((brief)) && echo 0.1 || echo 1)
"$snapshot" --assets "$assets" --size "$memory_size" --frames "$memory_frames" >/dev/null 2>&1 &
pid=$!
start=$(now_ms)
baseline= peak=0 last=0
while kill -0 "$pid" 2>/dev/null; do
  rss=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status" 2>/dev/null || true)
  if [[ -n "$rss" ]]; then
    last=$rss
    if [[ -z "$baseline" ]]; then
      (($(now_ms) - start >= baseline_ms)) && baseline=$rss
    elif ((rss > peak)); then
      peak=$rss
    fi
  fi
  sleep "$interval"
done
wait "$pid" || { echo "gpu-check: the long run failed" >&2; exit 1; }
numbers "the resident memory" "$baseline" "$last"
elapsed=$(($(now_ms) - start))
[[ -n "$baseline" ]] || baseline=$last
((peak > baseline)) || peak=$baseline
growth=$((peak - baseline))
result=ok
((growth > memory_limit_kb)) && { result=FAIL; failed=1; }
echo "Resident memory on the default driver, $memory_size," \
  "$memory_frames frames in $((elapsed / 1000)) s"
printf '%12s %12s %12s %12s  %s\n' "after $memory_baseline" "at the end" peak growth result
printf '%9d kB %9d kB %9d kB %9d kB  %s\n' "$baseline" "$last" "$peak" "$growth" "$result"
exit "$failed"
