#!/usr/bin/env bash
# Runs a command with an X display: the current one, or a private Xvfb started for it
# (GLUT needs a display even for offscreen rendering) and stopped afterwards.
set -euo pipefail

if [[ -n "${DISPLAY:-}" ]]; then
  exec "$@"
fi

# shellcheck source-path=SCRIPTDIR source=lib/common.sh
source "$(dirname "$0")/lib/common.sh"
trap xvfb_stop EXIT
xvfb_start 90 130 || die "could not start Xvfb"
export DISPLAY=$xvfb_display
status=0
"$@" || status=$?
exit "$status"
