#!/usr/bin/env bash
# Long run: corvane-snapshot for many frames with every menu command but Exit given at
# intervals; prints the resident memory early in the run and at its end, and the peak.
# Usage: bench/long-run.sh BUILD_DIR [FRAMES] [INTERVAL]
set -euo pipefail
build=${1:?build directory}
frames=${2:-100000}
interval=${3:-1000}
root=$(cd "$(dirname "$0")/.." && pwd)

commands=(40001 40002 40003 40002 40005 40006 40007 40008 40009 40010 40011 40012 40013)
args=()
i=0
for ((frame = interval; frame < frames; frame += interval)); do
  args+=(--command "${commands[i % ${#commands[@]}]}@$frame")
  i=$((i + 1))
done

log=$(mktemp)
trap 'rm -f "$log"' EXIT
"$root/scripts/with-display.sh" "$build/tools/snapshot/corvane-snapshot" --assets "$root/assets" \
  --frames "$frames" --bench "${args[@]}" >"$log" 2>/dev/null &
runner=$!
sleep 1
pid=$(pgrep -n -f 'corvane-snapshot --assets' || true)
first= last= peak=0 start=$(date +%s)
samples=()
while kill -0 "$runner" 2>/dev/null; do
  rss=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status" 2>/dev/null || true)
  if [[ -n "$rss" ]]; then
    [[ -z "$first" && $(($(date +%s) - start)) -ge 5 ]] && first=$rss
    last=$rss
    samples+=("$rss")
    ((rss > peak)) && peak=$rss
  fi
  sleep 1
done
wait "$runner"
half=${samples[$(( ${#samples[@]} / 2 ))]:-?}
echo "commands=$(( ${#args[@]} / 2 )) rss_after_5s_kb=${first:-?} rss_at_half_time_kb=$half" \
  "rss_at_end_kb=${last:-?} rss_peak_kb=$peak"
cat "$log"
