#!/usr/bin/env bash
# Installs the Debian packages (Debian 12 or 13) that one or more tasks need, when any is missing.
# Usage: scripts/install-deps.sh GROUP...   (demo, test, windows, package, web-build, web,
#        bench, fuzz, fresh)
# Runs as any user: apt-get runs through sudo, and only when something has to be installed.
set -euo pipefail

group_packages() {
  case "$1" in
    # Building and running the demo and the snapshot tool. FLTK's CMake files name the
    # fluid program as an imported target and refuse to load without it, though
    # libfltk1.3-dev only recommends it.
    demo) echo build-essential cmake ninja-build pkg-config \
            libgl-dev libglu1-mesa-dev freeglut3-dev libegl-dev libegl-mesa0 libgl1-mesa-dri \
            libfltk1.3-dev fluid libpng-dev ;;
    # The test suites: GoogleTest, a private X server, xdotool and ImageMagick for the real
    # window, weston and XWayland for it under a Wayland desktop, stb_image for the texture
    # benchmark built beside the tests, Python for the check of bench/light-passes.py's own
    # command line.
    test) echo libgtest-dev libstb-dev xvfb xauth x11-utils xdotool imagemagick weston xwayland \
            python3 ;;
    # The Debian package and its checks; zip for the web folder's archive.
    package) echo dpkg-dev file lintian desktop-file-utils appstream zip ;;
    # The Windows cross build and its tests under Wine.
    # Wine draws with the machine's Mesa; dpkg-dev unpacks Debian's freeglut and googletest
    # sources for the Windows build.
    windows) echo cmake ninja-build g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
               wine wine64 libgl1 libgl1-mesa-dri dpkg-dev zip xvfb xauth xdotool imagemagick ;;
    # The web build: Emscripten, which runs its tools with Debian's node.
    web-build) echo emscripten nodejs cmake ninja-build ;;
    # The web build's tests and benchmark: Debian's chromium, headless, driven through its
    # driver by Debian's selenium (all from Debian, so a pristine root needs no npm download).
    web) echo emscripten nodejs cmake ninja-build chromium chromium-driver python3-selenium ;;
    # Heap and CPU profiles of the benchmarks.
    bench) echo heaptrack linux-perf python3 ;;
    # libFuzzer on the image readers: the runtime of the release's default clang.
    fuzz) echo clang libclang-rt-dev ;;
    # A pristine Debian root for the set-up check.
    fresh) echo debootstrap git ca-certificates xvfb xauth xdotool ;;
    *) echo "install-deps: unknown group '$1' (demo, test, windows, package, web-build, web, bench, fuzz, fresh)" >&2
       return 1 ;;
  esac
}

[[ $# -gt 0 ]] || set -- demo
packages=()
for group in "$@"; do
  list=$(group_packages "$group")
  read -r -a words <<<"$list"
  packages+=("${words[@]}")
done

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0
# Each package once, in the order first asked for.
mapfile -t missing < <(printf '%s\n' "${missing[@]}" | awk '!seen[$0]++')

echo "install-deps: installing ${missing[*]}"
as_root=()
if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null || {
    echo "install-deps: these packages are missing and sudo is not available: ${missing[*]}" >&2
    exit 1
  }
  as_root=(sudo)
fi
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
  "${missing[@]}"
