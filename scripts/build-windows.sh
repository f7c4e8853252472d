#!/usr/bin/env bash
# Cross-compiles Corvane for 64-bit Windows with MinGW-w64 into build/windows/: corvane.exe,
# linked statically so that it needs only the system's DLLs, the Wine test suites, and the zip a
# Windows user downloads (the program, its three pictures and a short text). GLUT's solids come
# from freeglut built for Windows from Debian's own freeglut source package, the tests from
# Debian's googletest source; both are fetched with apt-get source from the machine's own
# Debian mirror (its apt sources made into deb-src entries, in a private apt configuration) and
# kept in build/windows/deps, so a second run builds neither again.
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

apt_dir="$out/apt"
apt_options=()
setup_apt() {
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/sources.list.d"
  : >"$apt_dir/sources.list"
  rm -f "$apt_dir/sources.list.d/"*
  # The machine's own sources, as they stand, with deb-src in place of deb.
  if [[ -f /etc/apt/sources.list ]]; then
    sed -nE 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list >"$apt_dir/sources.list"
  fi
  for list in /etc/apt/sources.list.d/*.list; do
    [[ -e "$list" ]] || continue
    sed -nE 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$list" >"$apt_dir/sources.list.d/$(basename "$list")"
  done
  for sources in /etc/apt/sources.list.d/*.sources; do
    [[ -e "$sources" ]] || continue
    sed -E 's/^Types:.*/Types: deb-src/' "$sources" >"$apt_dir/sources.list.d/$(basename "$sources")"
  done
  apt_options=(-o Dir::Etc::SourceList="$apt_dir/sources.list"
               -o Dir::Etc::SourceParts="$apt_dir/sources.list.d"
               -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache"
               -o Debug::NoLocking=1)
  # As root, apt would hand the downloads to its _apt user, who cannot write here.
  [[ $(id -u) -ne 0 ]] || apt_options+=(-o APT::Sandbox::User=root)
  echo "build-windows: reading the Debian source index"
  apt-get "${apt_options[@]}" -q update || die "apt-get update of the Debian source index failed"
}

# fetch_source PACKAGE: unpacks Debian's source package into build/windows/sources and sets
# unpacked to its folder; stops the build when apt-get cannot fetch or unpack it.
fetch_source() {
  local package=$1 dir="$out/sources" code=0
  mkdir -p "$dir"
  rm -rf "${dir:?}/$package"-*/ "$dir/$package"_*
  (cd "$dir" && apt-get "${apt_options[@]}" -q source "$package" >&2) || code=$?
  ((code == 0)) || die "apt-get source $package failed (exit $code)"
  unpacked=$(find "$dir" -mindepth 1 -maxdepth 1 -type d -name "$package-*" | head -n 1)
  [[ -n "$unpacked" ]] || die "apt-get source $package unpacked no $package-* folder in $dir"
}

# build_dependency NAME SOURCE CMAKE-ARGUMENTS...: a static library for Windows into deps/.
build_dependency() {
  local name=$1 source=$2
  shift 2
  echo "build-windows: building $name for Windows from $(basename "$source")"
  cmake -S "$source" -B "$out/deps-build/$name" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$deps" "$@" >/dev/null
  cmake --build "$out/deps-build/$name" -j "$jobs" >/dev/null
  cmake --install "$out/deps-build/$name" >/dev/null
}

if [[ ! -f "$deps/lib/cmake/FreeGLUT/FreeGLUTConfig.cmake" ||
      ! -f "$deps/lib/cmake/GTest/GTestConfig.cmake" ]]; then
  setup_apt
  # Each fetched in the shell itself, not in a command substitution that set -e would not stop.
  fetch_source freeglut
  build_dependency freeglut "$unpacked" -DFREEGLUT_BUILD_SHARED_LIBS=OFF \
    -DFREEGLUT_BUILD_STATIC_LIBS=ON -DFREEGLUT_BUILD_DEMOS=OFF -DFREEGLUT_GLES=OFF
  fetch_source googletest
  build_dependency googletest "$unpacked" -DBUILD_GMOCK=OFF \
    -DINSTALL_GTEST=ON -Dgtest_disable_pthreads=ON
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
