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
"$root/scripts/install-deps.sh" windows

out="$root/build/windows"
deps="$out/deps"                      # freeglut and GoogleTest, installed for Windows
toolchain="$root/cmake/mingw-w64-x86_64.cmake"
jobs=$(nproc)
mkdir -p "$out"
stage_start=$(date +%s)
stage() {  # stage NAME: says how long the stage before it took
  local now
  now=$(date +%s)
  echo "build-windows: $1 took $((now - stage_start)) s"
  stage_start=$now
}

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
  apt-get "${apt_options[@]}" -q update
}

# fetch_source PACKAGE: unpacks Debian's source package into build/windows/sources and prints
# the folder.
fetch_source() {
  local package=$1 dir="$out/sources"
  mkdir -p "$dir"
  rm -rf "${dir:?}/$package"-*/ "$dir/$package"_*
  (cd "$dir" && apt-get "${apt_options[@]}" -q source "$package" >&2)
  find "$dir" -mindepth 1 -maxdepth 1 -type d -name "$package-*" | head -n 1
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
  build_dependency freeglut "$(fetch_source freeglut)" -DFREEGLUT_BUILD_SHARED_LIBS=OFF \
    -DFREEGLUT_BUILD_STATIC_LIBS=ON -DFREEGLUT_BUILD_DEMOS=OFF -DFREEGLUT_GLES=OFF
  build_dependency googletest "$(fetch_source googletest)" -DBUILD_GMOCK=OFF \
    -DINSTALL_GTEST=ON -Dgtest_disable_pthreads=ON
  rm -rf "$out/deps-build" "$out/sources" "$apt_dir"
  stage "fetching and building freeglut and GoogleTest"
fi

# ---- Corvane ----

echo "build-windows: building corvane.exe"
cmake -S "$root" -B "$out" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_FIND_ROOT_PATH="$deps" >/dev/null
cmake --build "$out" -j "$jobs"
stage "building corvane.exe and the Wine suites"

# ---- The download: the program, its pictures and a short text ----

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$out/CMakeCache.txt")
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
