#!/usr/bin/env bash
# Configures Corvane as plain CMake does and checks what it chose: tests and benchmarks only
# in Corvane's own build and only when what they need is found, a Release build by default,
# Debian's hardening flags on the demo, and no benchmarks for the Windows cross build.
# Usage: plain-cmake.sh SOURCE_DIR              (the Linux cases)
#        plain-cmake.sh SOURCE_DIR --windows DEPS  (the cross build, with MinGW-w64 and the
#                                                  freeglut and GoogleTest built for Windows)
set -u
root=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source-path=SCRIPTDIR source=../../scripts/lib/common.sh
source "$(dirname "$0")/../../scripts/lib/common.sh"
configure() {  # configure TREE ARGUMENTS...: sets code; the output is in TREE.log
    local tree=$1
    shift
    cmake -B "$tree" "$@" >"$tree.log" 2>&1
    code=$?
    [ "$code" -eq 0 ] || sed 's/^/  /' "$tree.log" | tail -n 15
}
cached() { sed -n "s/^$2:[A-Z]*=//p" "$1/CMakeCache.txt"; }  # cached TREE NAME

if [ "${2:-}" = --windows ]; then
    configure "$work/windows" -S "$root" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DCMAKE_FIND_ROOT_PATH="$3" \
        -DCORVANE_BUILD_BENCH=ON
    check '[ "$code" -eq 0 ] && [ "$(cached "$work/windows" CORVANE_BUILD_TESTS)" = ON ] &&
           [ ! -e "$work/windows/bench" ]' \
        "the Windows cross build has its tests and no benchmarks, even when asked for them"
else
    # This machine has the test packages: Corvane's own build has everything.
    configure "$work/full" -S "$root" -G Ninja
    check '[ "$code" -eq 0 ] && [ "$(cached "$work/full" CORVANE_BUILD_TESTS)" = ON ] &&
           [ "$(cached "$work/full" CORVANE_BUILD_BENCH)" = ON ] &&
           [ "$(cached "$work/full" CMAKE_BUILD_TYPE)" = Release ]' \
        "with GoogleTest and stb_image found: tests, benchmarks, a Release build"
    check 'grep -A8 "^build app/corvane:" "$work/full/build.ninja" | grep -q -- "-Wl,-z,now" &&
           grep -A8 "^build app/CMakeFiles/corvane.dir/Main.cpp.o:" "$work/full/build.ninja" |
               grep -q -- "-D_FORTIFY_SOURCE=2 .*-fstack-protector-strong"' \
        "the demo is built with Debian's hardening flags"

    # Only the demo's packages: GoogleTest and stb_image are not found.
    configure "$work/demo" -S "$root" -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON \
        -DCMAKE_IGNORE_PATH=/usr/include/stb
    check '[ "$code" -eq 0 ] && [ "$(cached "$work/demo" CORVANE_BUILD_TESTS)" = OFF ] &&
           [ "$(cached "$work/demo" CORVANE_BUILD_BENCH)" = OFF ] &&
           [ ! -e "$work/demo/tests" ] && [ ! -e "$work/demo/bench" ]' \
        "with only the demo's packages it configures, without tests and benchmarks"

    # As a subproject of another build: none of ours, though everything is found.
    mkdir "$work/outer"
    printf '%s\n' 'cmake_minimum_required(VERSION 3.25)' 'project(Outer LANGUAGES C CXX)' \
        "add_subdirectory(\"$root\" corvane)" >"$work/outer/CMakeLists.txt"
    configure "$work/sub" -S "$work/outer" -DCMAKE_BUILD_TYPE=Release
    check '[ "$code" -eq 0 ] && [ "$(cached "$work/sub" CORVANE_BUILD_TESTS)" = OFF ] &&
           [ "$(cached "$work/sub" CORVANE_BUILD_BENCH)" = OFF ]' \
        "as a subproject it builds no tests and no benchmarks"
fi

summary
