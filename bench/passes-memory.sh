#!/usr/bin/env bash
# Peak resident memory of corvane-snapshot --passes against the same run without it, one frame
# at each size, and the time to refuse an --out it cannot write (a read-only folder, then 2,000
# frames it must not draw). Usage: scripts/with-display.sh bench/passes-memory.sh BUILD_DIR
# [SIZE...]   (default sizes 2048 4096; /usr/bin/time from the Debian package time)
set -euo pipefail
build=${1:?usage: passes-memory.sh BUILD_DIR [SIZE...]}
shift
sizes=("${@:-2048}")
(($#)) || sizes=(2048 4096)
root=$(cd "$(dirname "$0")/.." && pwd)
snapshot=$build/tools/snapshot/corvane-snapshot
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
peak_mb() {  # peak_mb ARGS...: the run's peak resident size in MB
  /usr/bin/time -f %M -o "$work/peak" "$snapshot" --assets "$root/assets" --frames 1 "$@" \
    >/dev/null 2>&1
  echo $(($(tail -n 1 "$work/peak") / 1024))
}
printf '%-10s %12s %12s %10s\n' size "no --passes" "--passes" difference
for side in "${sizes[@]}"; do
  plain=$(peak_mb --size "${side}x$side" --out "$work/frame.png")
  rm -rf "$work/passes"
  passes=$(peak_mb --size "${side}x$side" --out "$work/frame.png" --passes "$work/passes")
  printf '%-10s %9d MB %9d MB %7d MB\n' "${side}x$side" "$plain" "$passes" $((passes - plain))
done
# The folder is read-only for this user; root writes anyway, so there the run is nobody's.
mkdir "$work/read-only"
chmod a-w "$work/read-only"
chmod 755 "$work"
user=()
[[ $(id -u) -eq 0 ]] && user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
target=$work/read-only/frame.png
start=$(date +%s%N)
code=0
"${user[@]}" "$snapshot" --assets "$root/assets" --frames 2000 --out "$target" 2>/dev/null || code=$?
echo "refusing $target: exit $code after $((($(date +%s%N) - start) / 1000000)) ms"
