#!/usr/bin/env bash
# Frame rate of corvane-snapshot drawn with fixed-function OpenGL (the Release tree) against
# the same program over gl11 on OpenGL ES 3.0 (the es3 tree), interleaved in one run: --bench
# times completed frames. Prints per size and build the median and best ms per frame, the
# frame rate, the renderer, and for gl11 its draw calls, buffer uploads and shader compiles
# per frame (and in the first frame, with start-up). Exits 2 when a run gives no figure.
#
# Usage: scripts/with-display.sh bench/gl11-frame-rate.sh RELEASE_DIR ES3_DIR [RUNS] [FRAMES]
set -euo pipefail
release=${1:?usage: gl11-frame-rate.sh RELEASE_DIR ES3_DIR [RUNS] [FRAMES]}
es3=${2:?usage: gl11-frame-rate.sh RELEASE_DIR ES3_DIR [RUNS] [FRAMES]}
runs=${3:-5} frames=${4:-600}
root=$(cd "$(dirname "$0")/.." && pwd)
declare -A snapshot=([fixed]=$release/tools/snapshot/corvane-snapshot
                     [gl11]=$es3/tools/snapshot/corvane-snapshot)
for build in fixed gl11; do
  [[ -x ${snapshot[$build]} ]] || { echo "gl11-frame-rate: no ${snapshot[$build]}" >&2; exit 2; }
done

field='\([^ ]*\)'  # one value of the bench line
echo "corvane-snapshot --bench, $frames frames, $runs runs per size and build, interleaved"
printf '%-9s %-5s %9s %9s %7s  %-34s %s\n' size build "median ms" "best ms" fps renderer \
  "gl11 per frame: draws uploads compiles (first frame d/u/c)"
for size in 640x480 1280x720; do
  declare -A times=() line=()
  for ((run = 0; run < runs; ++run)); do
    order=(fixed gl11)
    ((run % 2)) && order=(gl11 fixed)
    for build in "${order[@]}"; do
      out=$("${snapshot[$build]}" --assets "$root/assets" --size "$size" --frames "$frames" \
        --bench 2>&1) || true
      ms=$(sed -n 's/.*ms_per_frame=\([0-9.]*\).*/\1/p' <<<"$out")
      [[ -n $ms ]] || { echo "gl11-frame-rate: $build at $size gave no figure: $out" >&2; exit 2; }
      times[$build]+="$ms "
      line[$build]=$out
    done
  done
  for build in fixed gl11; do
    renderer=$(sed -n 's/.*renderer="\(.*\)"$/\1/p' <<<"${line[$build]}")
    pattern=".* draws=$field uploads=$field compiles=$field first_frame=$field .*"
    work=$(sed -n "s/$pattern/\\1 \\2 \\3 (\\4)/p" <<<"${line[$build]}")
    tr ' ' '\n' <<<"${times[$build]}" | sed '/^$/d' | sort -g | awk -v s="$size" -v b="$build" \
      -v r="$renderer" -v w="$work" '{ t[NR] = $1 } END {
        m = NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2
        printf "%-9s %-5s %9.3f %9.3f %7.1f  %-34s %s\n", s, b, m, t[1], 1000 / m, r, w }'
  done
done
