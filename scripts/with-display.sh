#!/usr/bin/env bash
# Runs a command with an X display: the current one, or a private Xvfb started for it
# (GLUT needs a display even for offscreen rendering) and stopped afterwards.
set -euo pipefail

if [[ -n "${DISPLAY:-}" ]]; then
  exec "$@"
fi

for number in $(seq 90 130); do
  [[ -e /tmp/.X${number}-lock || -e /tmp/.X11-unix/X${number} ]] && continue
  Xvfb ":${number}" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do
    [[ -e /tmp/.X11-unix/X${number} ]] && break
    sleep 0.1
  done
  if kill -0 "$xvfb_pid" 2>/dev/null; then
    trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
    export DISPLAY=":${number}"
    status=0
    "$@" || status=$?
    exit "$status"
  fi
done
echo "with-display: could not start Xvfb" >&2
exit 1
