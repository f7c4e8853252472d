# Sourced by the scripts that build the Release tree, build/release: the demo, the package
# and the test command all use it, so each command the README shows finds its programs
# there, whichever of them ran first. A new tree leaves out the tests and benchmarks, which
# need packages the demo does not; a tree the test command made keeps them.
release_tree() {  # ROOT [CMAKE ARGUMENTS...]: configures ROOT/build/release, prints its path
  local root=$1; shift
  local build="$root/build/release"
  local defaults=()
  [[ -f "$build/CMakeCache.txt" ]] || defaults=(-DCORVANE_BUILD_TESTS=OFF -DCORVANE_BUILD_BENCH=OFF)
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release "${defaults[@]}" "$@" >&2
  echo "$build"
}
