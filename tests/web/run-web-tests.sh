#!/usr/bin/env bash
# The web build's checks in headless chromium (tests/web/web_checks.py): builds build/web/
# and compares its scripted frames with the Release tree's corvane-snapshot, which must be
# built (the test command builds it first). Starts Xvfb for corvane-snapshot when needed.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
"$root/scripts/install-deps.sh" web
snapshot="$root/build/release/tools/snapshot/corvane-snapshot"
[[ -x "$snapshot" ]] || { echo "run-web-tests: build $snapshot first" >&2; exit 1; }
start=$SECONDS
web=$("$root/scripts/build-web.sh" | tail -n 1)
echo "== web build: $((SECONDS - start)) s"
start=$SECONDS
status=0
"$root/scripts/with-display.sh" /usr/bin/python3 "$root/tests/web/web_checks.py" "$web" \
  "$snapshot" "$root/assets" "$@" || status=$?
echo "== web checks: $((SECONDS - start)) s"
exit "$status"
