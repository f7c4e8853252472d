#!/usr/bin/env bash
# Checks the Debian package and the installed tree: lintian finds no error, the desktop entry
# and the AppStream metadata validate, the dependencies are runtime libraries only, and a
# tree installed by `cmake --install` under any prefix starts from / and shows its frame rate.
# Usage: check-package.sh PACKAGE.deb BUILD_DIR   (needs DISPLAY)
set -u
package=$1
build=$2
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
failed=0
pass() { echo "PASS $1"; }
fail() { echo "FAIL $1"; failed=1; }
check() { if eval "$1"; then pass "$2"; else fail "$2"; fi; }

lintian --fail-on error --tag-display-limit 0 "$package" >"$work/lintian.txt" 2>&1
status=$?
sed 's/^/  /' "$work/lintian.txt"
check '[ $status -eq 0 ]' "lintian reports no error"

dpkg-deb -x "$package" "$work/deb"
check 'desktop-file-validate "$work"/deb/usr/share/applications/*.desktop' \
  "the desktop entry validates"
check 'appstreamcli validate --no-net "$work"/deb/usr/share/metainfo/*.metainfo.xml >/dev/null' \
  "the AppStream metadata validates"
depends=$(dpkg-deb -f "$package" Depends)
echo "  Depends: $depends"
check '[ -n "$depends" ] && ! grep -q -- "-dev\b" <<<"$depends"' \
  "the dependencies are runtime libraries"
for size in 48 128 256; do
  icon="$work/deb/usr/share/icons/hicolor/${size}x${size}/apps/corvane.png"
  check 'file "$icon" | grep -q "$size x $size"' "the ${size}-pixel icon is ${size}x${size}"
done

cmake --install "$build" --prefix "$work/prefix" >/dev/null
(cd / && exec "$work/prefix/bin/corvane") >"$work/run.log" 2>&1 &
pid=$!
title=
for _ in $(seq 100); do
  wid=$(xdotool search --name '^Corvane \([0-9]+\.[0-9] fps\)   $' 2>/dev/null | head -n 1)
  [ -n "$wid" ] && { title=yes; break; }
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
check '[ -n "$title" ]' "an installed tree starts from / and shows its frame rate"
check '! xdotool search --name "^(Error|Warning)$" >/dev/null 2>&1' "no message box opens"
kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; pid=
exit "$failed"
