#!/usr/bin/env bash
# Builds the web folder (scripts/build-web.sh) and serves it on this machine only, with
# Python's own web server; prints the address to open. Ctrl-C stops it. PORT: 8000 unless set.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$("$root/scripts/build-web.sh" | tail -n 1)
port=${PORT:-8000}
echo "Corvane is at http://127.0.0.1:$port/ (Ctrl-C stops the server)"
cd "$out" && exec /usr/bin/python3 -m http.server "$port" --bind 127.0.0.1
