#!/usr/bin/env bash
# Checks the Debian package and the installed tree: lintian finds no error, the desktop entry
# and the AppStream metadata validate, the program is hardened, the dependencies are runtime
# libraries only, the manual page names the files where they are installed, and a tree
# installed by `cmake --install` under any prefix starts from / and shows its frame rate, in
# its data folder or in the folder the installed command is given.
# Usage: check-package.sh PACKAGE.deb BUILD_DIR   (needs DISPLAY)
set -u
package=$1
build=$2
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
# shellcheck source-path=SCRIPTDIR source=../../scripts/lib/common.sh
source "$(dirname "$0")/../../scripts/lib/common.sh"

lintian --fail-on error --display-info --tag-display-limit 0 "$package" >"$work/lintian.txt" 2>&1
status=$?
sed 's/^/  /' "$work/lintian.txt"
check '[ $status -eq 0 ]' "lintian reports no error"
check '! grep -q "hardening-" "$work/lintian.txt"' "lintian finds the hardening complete"

# Modes as Debian wants them whatever the builder's umask: folders 0755, programs 0755 (those
# on the PATH and in /usr/libexec), every other file 0644.
modes_standard() {
  local mode path wrong=0
  while read -r mode _ _ _ _ path; do
    case "$mode:$path" in
      d*) [[ "$mode" == drwxr-xr-x ]] ;;
      *:./usr/bin/* | *:./usr/libexec/*) [[ "$mode" == -rwxr-xr-x ]] ;;
      *) [[ "$mode" == -rw-r--r-- ]] ;;
    esac || { echo "  mode $mode: $path"; wrong=1; }
  done < <(dpkg-deb -c "$package")
  return "$wrong"
}
check modes_standard "folders and programs are 0755, other files 0644"

dpkg-deb -x "$package" "$work/deb"
check 'desktop-file-validate "$work"/deb/usr/share/applications/*.desktop' \
  "the desktop entry validates"
appstreamcli validate --pedantic --no-net "$work"/deb/usr/share/metainfo/*.metainfo.xml \
  >"$work/appstream.txt" 2>&1
status=$?
sed 's/^/  /' "$work/appstream.txt"
# appstreamcli before 1.0 (Debian 12 has 0.16) does not know the <developer> tag that
# replaced <developer_name>, and says so in one remark; that one remark is expected there.
remarks=$(grep "^[EWIP]: " "$work/appstream.txt")
if [[ "$(appstreamcli --version)" =~ version:\ 0\. ]]; then
  remarks=$(grep -v "^I: [^ ]*: unknown-tag developer$" <<<"$remarks")
fi
check '[ $status -eq 0 ] && [ -z "$remarks" ]' \
  "the AppStream metadata validates without a remark, even a pedantic one"
id=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$work"/deb/usr/share/metainfo/*.metainfo.xml)
check '[ -f "$work/deb/usr/share/applications/$id.desktop" ] &&
       grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$work"/deb/usr/share/metainfo/*.metainfo.xml' \
  "the desktop entry is named after the AppStream id, $id"

# Built with Debian's hardening flags: bound at start-up into read-only relocations, the
# stack protector, and fortified C library calls.
program="$work/deb/usr/libexec/corvane/corvane"
check 'readelf -d "$program" | grep -Eq "\(FLAGS\).*BIND_NOW|\(FLAGS_1\).*NOW" &&
       readelf -lW "$program" | grep -q GNU_RELRO' "the program is linked with relro and bindnow"
check 'readelf --dyn-syms -W "$program" | grep -q " __stack_chk_fail" &&
       readelf --dyn-syms -W "$program" | grep -Eq " __[a-z]+_chk(@|$)"' \
  "the program calls the stack protector and fortified functions"

# names_installed_paths PAGE ROOT PREFIX: every path the manual page names lies under the
# prefix it was installed for and is a file there (ROOT: where that prefix was unpacked).
names_installed_paths() {
  local paths path
  paths=$(zcat "$1" | grep -o "^\.I /[^ ]*" | cut -c4-)
  [ "$(wc -w <<<"$paths")" -ge 3 ] || return 1
  for path in $paths; do
    [[ "$path" == "$3"/* && -f "$2$path" ]] || { echo "  not installed: $path"; return 1; }
  done
}
check 'names_installed_paths "$work/deb/usr/share/man/man6/corvane.6.gz" "$work/deb" /usr' \
  "the package's manual page names the files where the package puts them"
depends=$(dpkg-deb -f "$package" Depends)
echo "  Depends: $depends"
check '[ -n "$depends" ] && ! grep -q -- "-dev\b" <<<"$depends"' \
  "the dependencies are runtime libraries"
for size in 48 128 256; do
  icon="$work/deb/usr/share/icons/hicolor/${size}x${size}/apps/corvane.png"
  check 'file "$icon" | grep -q "$size x $size"' "the ${size}-pixel icon is ${size}x${size}"
done

cmake --install "$build" --prefix "$work/prefix" >/dev/null
check 'names_installed_paths "$work/prefix/share/man/man6/corvane.6.gz" "" "$work/prefix"' \
  "under --prefix the manual page names the files where they are installed"

# The installed command, always started from /: `corvane` runs the program in the data folder,
# `corvane FOLDER` in FOLDER (the program reads its pictures from its working directory);
# --help prints the usage; any other argument, a missing FOLDER or a file gets one line and 2.
launcher=$work/prefix/bin/corvane
mkdir "$work/mine"
cp "$work"/prefix/share/corvane/*.bmp "$work/mine/"
: >"$work/file"
for row in "0|--help" "2|--bogus" "2|$work/mine $work/mine" "2|$work/missing" "2|$work/file"; do
  IFS='|' read -r expected arguments <<<"$row"
  read -ra words <<<"$arguments"
  (cd / && exec timeout 10 "$launcher" "${words[@]}") >"$work/out" 2>"$work/err"
  code=$?
  said=$work/err quiet=$work/out
  [ "$expected" -eq 0 ] && said=$work/out quiet=$work/err
  check '[ "$code" -eq "$expected" ] && [ ! -s "$quiet" ] &&
         grep -Eq "^(usage: corvane \[FOLDER\]|corvane: .*: (no such folder|not a folder))$" \
           "$said" &&
         { [ "$code" -eq 0 ] || [ "$(wc -l <"$said")" -eq 1 ]; }' \
    "corvane ${arguments//$work\//}: exit $code: $(head -n 1 "$said")"
done
# starts_in FOLDER [ARGUMENT]: the window shows its frame rate with no message box, and the
# program's working directory is FOLDER.
starts_in() {
  local folder=$1 title= cwd=
  (cd / && exec "$launcher" "${@:2}") >"$work/run.log" 2>&1 &
  pid=$!
  for _ in $(seq 100); do
    xdotool search --name '^Corvane \([0-9]+\.[0-9] fps\)   $' >/dev/null 2>&1 &&
      { title=yes; break; }
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  cwd=$(readlink "/proc/$pid/cwd")
  local given="${launcher#$work/} ${*:2}"
  check '[ -n "$title" ] && [ "$cwd" = "$folder" ]' \
    "${given//$work\//} starts from / in ${folder#$work/} and shows its frame rate"
  check '! xdotool search --name "^(Error|Warning)$" >/dev/null 2>&1' "no message box opens"
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; pid=
}
starts_in "$work/prefix/share/corvane"
starts_in "$work/mine" "$work/mine"
# Through a link to it, as from a user's ~/bin, and with "--" before FOLDER.
mkdir "$work/bin" && ln -s "$launcher" "$work/bin/corvane"
launcher=$work/bin/corvane starts_in "$work/mine" -- "$work/mine"
[ "$failed" -eq 0 ]
