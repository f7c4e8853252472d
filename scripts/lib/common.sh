# shellcheck shell=bash
# Sourced by the project's shell scripts (bash) for what several of them do: say why they stop,
# count their checks, start a private Xvfb, find the Debian mirror, read the project's version
# from a build tree, and time their stages.
# Each script sources it by a path relative to its own, so it works in any checkout, also in
# the clone the pristine-root check makes (the Debian package ships no script).

# die MESSAGE: "SCRIPT: MESSAGE" on stderr, then exit 1 (SCRIPT: the script's name, less .sh).
die() {
  printf '%s: %s\n' "$(basename "$0" .sh)" "$*" >&2
  exit 1
}

# ---- The tally of a test script ----

passed=0
failed=0
pass() { echo "PASS $1"; passed=$((passed + 1)); }
fail() { echo "FAIL $1"; failed=$((failed + 1)); }
# check EXPRESSION DESCRIPTION: evaluates EXPRESSION, then passes or fails DESCRIPTION.
check() { if eval "$1"; then pass "$2"; else fail "$2"; fi; }
# summary: prints "N passed, M failed"; true when none failed.
summary() { echo "$passed passed, $failed failed"; [ "$failed" -eq 0 ]; }

# ---- A private X display ----

# free_display FIRST LAST: prints the first display number from FIRST to LAST that has
# neither a lock file nor a socket; returns 1 when there is none.
free_display() {
  local number
  for ((number = $1; number <= $2; number++)); do
    [[ -e /tmp/.X${number}-lock || -e /tmp/.X11-unix/X${number} ]] || { echo "$number"; return 0; }
  done
  return 1
}

# xvfb_start FIRST LAST [XVFB-ARGUMENT...]: starts Xvfb, not listening on TCP, on the first free
# display number from FIRST to LAST, and waits up to 5 s for it to take connections on its
# socket; a server that ends or does not come up is given up for the next number. Like a
# desktop's server, it never resets when its last client leaves (-noreset): a reset drops the
# connections made meanwhile, and the tests start one program right after another. Sets
# xvfb_pid and xvfb_display (":N"); returns 1 when none came up. The arguments default to one
# screen of 1280x1024 at 24 bits. The caller stops it with xvfb_stop, best from its EXIT trap.
xvfb_pid=
xvfb_display=
# shellcheck disable=SC2034  # xvfb_display is for the caller
xvfb_start() {
  local number=$1 last=$2
  shift 2
  (($#)) || set -- -screen 0 1280x1024x24
  while number=$(free_display "$number" "$last"); do
    Xvfb ":$number" "$@" -nolisten tcp -noreset >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in {1..50}; do
      [[ -S /tmp/.X11-unix/X${number} ]] && { xvfb_display=":$number"; return 0; }
      kill -0 "$xvfb_pid" 2>/dev/null || break
      sleep 0.1
    done
    xvfb_stop
    number=$((number + 1))
  done
  return 1
}
# xvfb_stop: ends the Xvfb that xvfb_start started, if any.
xvfb_stop() {
  [[ -z "$xvfb_pid" ]] || kill "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=
}

# ---- Debian ----

# debian_mirror SUITE: the archive URI this machine's apt fetches SUITE/main from (as
# `apt-cache policy` reports it), or nothing when its sources name none.
debian_mirror() {
  apt-cache policy 2>/dev/null | awk -v suite="$1/main" '$3 == suite { print $2; exit }'
}

# ---- The project's version ----

# project_version BUILD_DIR: prints the version CMake took from project() into BUILD_DIR's cache.
project_version() {
  local version
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$1/CMakeCache.txt" 2>/dev/null)
  [[ -n "$version" ]] || { echo "$(basename "$0" .sh): no project version in $1/CMakeCache.txt" >&2; return 1; }
  echo "$version"
}

# ---- Timing the stages ----

# A stage runs from stage_begin, or from the end of the stage before, to stage_end.
stage_names=()
stage_seconds=()
stage_start=$SECONDS
stage_begin() { stage_start=$SECONDS; }
# stage_end NAME [TAG]: records how long NAME took; with TAG also prints "TAG: NAME took N s".
stage_end() {
  local seconds=$((SECONDS - stage_start))
  stage_names+=("$1")
  stage_seconds+=("$seconds")
  stage_start=$SECONDS
  [[ -z "${2:-}" ]] || echo "$2: $1 took $seconds s"
}
# stage_table: one line per recorded stage, "  NNNNN s  NAME".
stage_table() {
  local i
  for i in "${!stage_names[@]}"; do
    printf '  %5d s  %s\n' "${stage_seconds[$i]}" "${stage_names[$i]}"
  done
}
