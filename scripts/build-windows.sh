#!/usr/bin/env bash
# Cross-compiles Corvane for 64-bit Windows with MinGW-w64 into build/windows/: corvane.exe,
# linked statically so that it needs only the system's DLLs, the Wine test suites, and the zip a
# Windows user downloads (the program, its three pictures and a short text). GLUT's solids come
# from freeglut built for Windows from Debian's freeglut source package, the tests from
# Debian's googletest source: fixed versions, Debian 12's, whichever release builds, fetched
# with apt-get source from the Debian mirror of the machine's own apt sources (in a private apt
# configuration), checked against their .dsc and kept in build/windows/deps, so a second run
# builds neither again. MinGW-w64 and Wine are the machine's own.
# Prints the path of corvane.exe as its last line.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib/common.sh"
"$root/scripts/install-deps.sh" windows

out="$root/build/windows"
deps="$out/deps"                      # freeglut and GoogleTest, installed for Windows
toolchain="$root/cmake/mingw-w64-x86_64.cmake"
jobs=$(nproc)
mkdir -p "$out"
stage_begin

# ---- Debian source packages ----

# The same sources whichever Debian release builds: Debian 12's freeglut and googletest, by
# version, from the Debian mirror this machine's apt already uses. Debian 12 is served by
# every Debian mirror, also from a Debian 13 machine; Debian 13's own source packages of these
# are not reachable from every network this project is built in.
source_suite=bookworm
source_versions=(freeglut=3.4.0-1 googletest=1.12.1-0.2)

apt_dir="$out/apt"
apt_options=()
setup_apt() {
  local codename mirror
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  [[ -n "$codename" ]] || die "/etc/os-release names no Debian release (VERSION_CODENAME)"
  mirror=$(debian_mirror "$codename")
  [[ -n "$mirror" ]] || die "this machine's apt sources name no Debian mirror for $codename/main"
  rm -rf "$apt_dir"
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/sources.list.d"
  echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror $source_suite main" \
    >"$apt_dir/sources.list"
  apt_options=(-o Dir::Etc::SourceList="$apt_dir/sources.list"
               -o Dir::Etc::SourceParts="$apt_dir/sources.list.d"
               -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache"
               -o Debug::NoLocking=1)
  # As root, apt would hand the downloads to its _apt user, who cannot write here.
  [[ $(id -u) -ne 0 ]] || apt_options+=(-o APT::Sandbox::User=root)
  echo "build-windows: reading Debian $source_suite's source index from $mirror"
  apt-get "${apt_options[@]}" -q update || die "apt-get update of the Debian source index failed"
}

# dsc_checked DSC: every file the .dsc lists is there beside it with the SHA-256 it gives.
dsc_checked() {
  local dsc=$1 sums
  sums=$(awk '/^Checksums-Sha256:/ { on = 1; next } /^[^ ]/ { on = 0 } on && NF == 3 { print $1 "  " $3 }' "$dsc")
  [[ -n "$sums" ]] || return 1
  (cd "$(dirname "$dsc")" && sha256sum --quiet --strict -c <<<"$sums")
}

# fetch_source PACKAGE=VERSION: downloads that version of Debian's source package into
# build/windows/sources, checks its files against the SHA-256 sums of its .dsc, unpacks it and
# sets unpacked to its folder; stops the build when any of that fails.
fetch_source() {
  local package=${1%%=*} version=${1#*=} dir="$out/sources" code=0 dsc
  mkdir -p "$dir"
  rm -rf "${dir:?}/$package"-*/ "$dir/$package"_*
  (cd "$dir" && apt-get "${apt_options[@]}" -q --download-only source "$package=$version" >&2) ||
    code=$?
  ((code == 0)) || die "apt-get source $package=$version failed (exit $code)"
  dsc="$dir/${package}_${version#*:}.dsc"
  [[ -f "$dsc" ]] || die "apt-get source $package=$version fetched no $(basename "$dsc")"
  dsc_checked "$dsc" || die "$(basename "$dsc"): a file does not match the .dsc's SHA-256 sums"
  unpacked="$dir/$package-${version%-*}"
  dpkg-source -x "$dsc" "$unpacked" >&2 || die "dpkg-source could not unpack $(basename "$dsc")"
}

# build_dependency NAME SOURCE CMAKE-ARGUMENTS...: a static library for Windows into deps/.
build_dependency() {
  local name=$1 source=$2
  shift 2
  echo "build-windows: building $name for Windows from $(basename "$source")"
  # -Wno-deprecated: Debian 13's CMake warns about these 2022 sources' minimum CMake version.
  cmake -S "$source" -B "$out/deps-build/$name" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$deps" -Wno-deprecated "$@" >/dev/null
  cmake --build "$out/deps-build/$name" -j "$jobs" >/dev/null
  cmake --install "$out/deps-build/$name" >/dev/null
}

# deps/versions names the source versions deps/ was built from; other versions build again.
versions="${source_versions[*]}"
if [[ ! -f "$deps/lib/cmake/FreeGLUT/FreeGLUTConfig.cmake" ||
      ! -f "$deps/lib/cmake/GTest/GTestConfig.cmake" ||
      "$(cat "$deps/versions" 2>/dev/null)" != "$versions" ]]; then
  rm -rf "$deps"
  setup_apt
  # Each fetched in the shell itself, not in a command substitution that set -e would not stop.
  fetch_source "${source_versions[0]}"
  build_dependency freeglut "$unpacked" -DFREEGLUT_BUILD_SHARED_LIBS=OFF \
    -DFREEGLUT_BUILD_STATIC_LIBS=ON -DFREEGLUT_BUILD_DEMOS=OFF -DFREEGLUT_GLES=OFF
  fetch_source "${source_versions[1]}"
  build_dependency googletest "$unpacked" -DBUILD_GMOCK=OFF \
    -DINSTALL_GTEST=ON -Dgtest_disable_pthreads=ON
  echo "$versions" >"$deps/versions"
  rm -rf "$out/deps-build" "$out/sources" "$apt_dir"
  stage_end "fetching and building freeglut and GoogleTest" build-windows
fi

# ---- Corvane ----

echo "build-windows: building corvane.exe"
cmake -S "$root" -B "$out" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_FIND_ROOT_PATH="$deps" >/dev/null
cmake --build "$out" -j "$jobs"
stage_end "building corvane.exe and the Wine suites" build-windows

# ---- The download: the program, its pictures and a short text ----

version=$(project_version "$out")
name="Corvane-$version"
stage="$out/zip/$name"
rm -rf "$out/zip" "$out/$name-windows.zip"
mkdir -p "$stage"
cp "$out/app/corvane.exe" "$root/assets/wood.bmp" "$root/assets/floor.bmp" \
  "$root/assets/stained.bmp" "$out/README.txt" "$stage/"
(cd "$out/zip" && zip -q -X -r "../$name-windows.zip" "$name")
rm -rf "$out/zip"
echo "build-windows: $out/$name-windows.zip"
echo "$out/app/corvane.exe"
