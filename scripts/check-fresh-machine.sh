#!/usr/bin/env bash
# Proves the README on a pristine Debian 12 or 13 machine: a root of the release named, made by
# debootstrap (minbase), with a normal user who may use sudo, gets a clone of this repository;
# the README's demo command must bring up the window with its frame rate, then the README's
# test command must pass without a compiler or linker warning and leave no root-owned file in
# the checkout. The Debian package it builds is then installed on a second pristine root of the
# same release, started from / and purged, leaving none of its files behind.
# The X display is a private Xvfb of this machine whose socket is lent to the roots, so the
# roots get no X server package that the commands did not install themselves.
# The roots fetch from the Debian mirrors this machine's apt uses: its main archive, and its
# updates and security archives where it has them.
# Each step writes its output to a log of its own; a step that fails ends the run with one
# line naming the release, the step, what failed and where the step's log is (the logs are kept
# then; a passing run removes them).
# Needs root (debootstrap, mounts, chroot). Every mount, process and file it made, but the logs
# of a failed run, is removed on exit, also when interrupted.
# Usage: scripts/check-fresh-machine.sh bookworm|trixie
set -eEuo pipefail
source_tree=$(cd "$(dirname "$0")/.." && pwd)
source "$source_tree/scripts/lib/common.sh"

# Set by main; read by the clean-up on exit.
release=
work=
logs=
roots=()
user=builder
display=

# Output: while a step runs, the script's stdout and stderr go to the step's log; what is meant
# for the console goes to the console's own descriptors, 3 (stdout) and 4 (stderr).
exec 3>&1 4>&2
log() { printf '== [%s] %s\n' "$release" "$*" >&3; }

stage=set-up
step_log=
# die MESSAGE: one line on the console naming the release, the step, MESSAGE and the step's
# log; the same line ends the log. Then exit 1.
die() {
  local line="check-fresh-machine: ${release:-?}: step \"$stage\" failed: $*"
  [[ -z "$step_log" ]] || { line+="; log: $step_log"; printf '%s\n' "$line" >>"$step_log"; }
  printf '%s\n' "$line" >&4
  exit 1
}
# A command that fails outside a condition ends the run through die, naming the command; only
# in the script's own process, not again in each subshell it ran in, and not where the script
# turned errexit off to look at a status itself (bash runs the ERR trap there too).
on_error() {  # STATUS LINE COMMAND
  [[ $BASHPID == "$$" && $- == *e* ]] || return "$1"
  die "exit $1 at line $2: $3"
}
trap 'on_error $? $LINENO "$BASH_COMMAND"' ERR

# ---- Clean-up: processes inside the roots, mounts, files. ----

kill_root_processes() {  # ROOT: ends every process whose root directory is ROOT
  local root=$1 signal pid link
  for signal in TERM KILL; do
    for link in /proc/[0-9]*/root; do
      pid=${link#/proc/}; pid=${pid%/root}
      [[ "$(readlink "$link" 2>/dev/null)" == "$root" ]] && kill -s "$signal" "$pid" 2>/dev/null
    done
    sleep 1
  done
  return 0
}
unmount_below() {  # ROOT: unmounts everything mounted below ROOT, each tree with one umount -R
  local target
  for target in $(findmnt -rn -o TARGET | grep -F "$1/" | sort); do
    mountpoint -q "$target" || continue  # gone with the tree above it
    umount -R "$target" 2>/dev/null || umount -R -l "$target"
  done
}
cleanup() {
  local status=$?
  # Clean up to the end, even when a step fails or the run is interrupted again.
  set +e
  trap - EXIT ERR
  exec >&3 2>&4
  trap '' INT TERM
  local root
  for root in "${roots[@]}"; do
    [[ -d "$root" ]] || continue
    kill_root_processes "$root"
    unmount_below "$root"
    ! mountpoint -q "$root" || umount "$root" 2>/dev/null || umount -l "$root"
  done
  xvfb_stop
  # Never delete through a mount that is still there: it could reach this machine's files.
  if findmnt -rn -o TARGET | grep -qF "$work/"; then
    echo "check-fresh-machine: mounts remain below $work; left in place" >&2
  else
    rm -rf "$work"
  fi
  ((status != 0)) || [[ -z "$logs" ]] || rm -rf "$logs"
  exit "$status"
}

# ---- The steps: begin LOG NAME ... end, timed; the output between goes to LOG's file. ----

steps=0
begin() {  # LOG NAME
  steps=$((steps + 1))
  step_log=$(printf '%s/%02d-%s.log' "$logs" "$steps" "$1")
  shift
  stage=$*
  log "$stage"
  stage_begin
  exec >>"$step_log" 2>&1
}
end() {
  exec >&3 2>&4
  stage_end "$stage"
}

# ---- The roots. ----

# The roots' apt sources: the release from this machine's main archive, its updates and
# security archives from this machine's mirrors of them, where it has them.
write_sources() {  # ROOT
  {
    echo "deb $archive $release main"
    if [[ -n "$updates" ]]; then echo "deb $updates $release-updates main"; fi
    if [[ -n "$security" ]]; then echo "deb $security $release-security main"; fi
  } >"$1/etc/apt/sources.list"
}

mount_root() {  # ROOT: what programs inside expect, and the display's socket
  local root=$1
  # The root a mount point of its own, as / is on any machine (a mount namespace made inside
  # needs one), and private, so that nothing mounted inside reaches this machine's mounts.
  mount --bind "$root" "$root"
  mount --make-private "$root"
  mount -t proc proc "$root/proc"
  mount -t sysfs sysfs "$root/sys"
  mount --bind /dev "$root/dev"
  mount --bind /dev/pts "$root/dev/pts"
  mount -t tmpfs tmpfs "$root/dev/shm"
  install -d -m 1777 "$root/tmp/.X11-unix"
  touch "$root/tmp/.X11-unix/X${display#:}"
  mount --bind "/tmp/.X11-unix/X${display#:}" "$root/tmp/.X11-unix/X${display#:}"
  cp /etc/resolv.conf "$root/etc/resolv.conf"
}

in_root() {  # ROOT COMMAND...: runs as root inside ROOT, with a plain environment
  local root=$1; shift
  chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@"
}
as_user() {  # ROOT COMMAND: runs COMMAND in a login shell of the normal user inside ROOT
  in_root "$1" su - "$user" -c "$2"
}

add_user() {  # ROOT: a normal user; on a desktop machine its owner may use sudo
  in_root "$1" useradd -m -s /bin/bash "$user"
  if [[ "${2:-}" == sudo ]]; then
    in_root "$1" apt-get install -y -q sudo
    echo "$user ALL=(ALL) NOPASSWD:ALL" >"$1/etc/sudoers.d/$user"
    chmod 0440 "$1/etc/sudoers.d/$user"
  fi
}

# Waits up to SECONDS for a window titled "Corvane (N.N fps)   " while PID runs; prints its id.
wait_for_frame_rate() {  # SECONDS PID
  local deadline=$((SECONDS + $1)) wid
  while ((SECONDS < deadline)); do
    kill -0 "$2" 2>/dev/null || return 1
    wid=$(DISPLAY=$display xdotool search --name '^Corvane \([0-9]+\.[0-9] fps\)   $' \
      2>/dev/null | head -n 1 || true)
    [[ -n "$wid" ]] && { echo "$wid"; return 0; }
    sleep 1
  done
  return 1
}
# A message box would be a second top-level window captioned "Error" or "Warning".
no_message_box() {
  ! DISPLAY=$display xdotool search --name '^(Error|Warning)$' >/dev/null 2>&1
}
# Esc in the window (the keyboard follows the pointer without a window manager); the program
# must end with exit code 0 within 10 s.
quit_with_escape() {  # WINDOW PID
  DISPLAY=$display xdotool mousemove --window "$1" 200 200 key Escape
  local waited=0
  while kill -0 "$2" 2>/dev/null && ((waited < 100)); do sleep 0.1; waited=$((waited + 1)); done
  kill -0 "$2" 2>/dev/null && die "the demo did not end on Esc"
  local code=0
  wait "$2" || code=$?
  ((code == 0)) || die "the demo ended with exit code $code on Esc"
}

# ---- The run. ----

main() {
  local name
  release=${1:-}
  case "$release" in
    bookworm) name="Debian 12" ;;
    trixie) name="Debian 13" ;;
    *) die "usage: check-fresh-machine.sh bookworm|trixie" ;;
  esac
  [[ $(id -u) -eq 0 ]] || die "needs root (debootstrap, mount, chroot)"
  logs=$(mktemp -d "/var/tmp/corvane-fresh-$release-logs.XXXXXX")
  work=$(mktemp -d /var/tmp/corvane-fresh.XXXXXX)
  roots=("$work/machine" "$work/desktop")
  trap cleanup EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM

  local host
  begin set-up "set-up: this machine's packages, its Debian mirrors, a private Xvfb"
  "$source_tree/scripts/install-deps.sh" fresh
  host=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  archive=$(debian_mirror "$host")
  [[ -n "$archive" ]] || die "this machine's apt sources name no Debian mirror for ${host:-its release}/main"
  updates=$(debian_mirror "$host-updates")
  security=$(debian_mirror "$host-security")
  echo "main archive: $archive; updates: ${updates:-none}; security: ${security:-none}"
  xvfb_start 140 199 || die "could not start Xvfb"
  display=$xvfb_display
  end

  begin debootstrap "debootstrap: a pristine $name ($release) root (minbase) from $archive"
  debootstrap --variant=minbase "$release" "${roots[0]}" "$archive"
  write_sources "${roots[0]}"
  cp -a "${roots[0]}" "${roots[1]}"  # the second machine, before the first is touched
  end

  local machine=${roots[0]} checkout=/home/$user/corvane
  begin machine "machine: apt sources, a user with sudo, a clone of the repository"
  mount_root "$machine"
  in_root "$machine" apt-get update -q
  add_user "$machine" sudo
  git clone --quiet --no-local "$source_tree" "$machine$checkout"
  in_root "$machine" chown -R "$user:$user" "$checkout"
  end

  local demo_pid wid
  begin demo "README demo command: scripts/run-demo.sh, until the title shows the frame rate"
  as_user "$machine" "cd corvane && DISPLAY=$display scripts/run-demo.sh" &
  demo_pid=$!
  wid=$(wait_for_frame_rate 1200 "$demo_pid") || die "the demo never showed its frame rate"
  no_message_box || die "the demo showed a message box"
  quit_with_escape "$wid" "$demo_pid"
  end

  local demo_log=$step_log status owned warnings
  begin tests "README test command: scripts/run-tests.sh (no display: it starts its own)"
  # The test command's own exit status, whatever tee, grep and sed return; its progress on
  # the console too.
  set +e
  as_user "$machine" "cd corvane && scripts/run-tests.sh" 2>&1 | tee -a "$step_log" |
    grep --line-buffered -E "^(==|[0-9]+% tests passed|install-deps:|run-wine-tests:|FAIL)" |
    sed -u "s/^/   [$release] /" >&3
  status=${PIPESTATUS[0]}
  set -e
  if ((status != 0)); then
    grep -E "^(FAIL|.*\*\*\*Failed)" "$step_log" | sed "s/^/   [$release] /" >&3 || true
    die "the test command failed (exit $status)"
  fi
  owned=$(find "$machine$checkout" -user root -print -quit)
  [[ -z "$owned" ]] || die "the test command left root-owned files: ${owned#"$machine"}"
  # Both commands build with -Wall -Wextra; the compiler and the linker must say nothing.
  local warning="^[^ ]+:[0-9]+:[0-9]+: warning: |(^|[ /-])ld: warning: "
  warnings=$(cat "$demo_log" "$step_log" | grep -cE "$warning" || true)
  ((warnings == 0)) ||
    die "the builds printed $warnings warnings, the first: $(cat "$demo_log" "$step_log" | grep -m 1 -E "$warning")"
  end

  local package
  begin package "package: scripts/package.sh"
  status=0
  as_user "$machine" "cd corvane && scripts/package.sh" >"$work/package.out" || status=$?
  cat "$work/package.out"
  ((status == 0)) || die "scripts/package.sh failed (exit $status)"
  package=$(tail -n 1 "$work/package.out")
  [[ "$package" == *.deb && -f "$machine$package" ]] || die "scripts/package.sh named no package"
  log "$(basename "$package") Depends: $(dpkg-deb -f "$machine$package" Depends)"
  end

  local desktop=${roots[1]} deb run_pid path left=()
  begin desktop "desktop: install $(basename "$package") on a second pristine root, run it from /, purge it"
  mount_root "$desktop"
  in_root "$desktop" apt-get update -q
  add_user "$desktop"
  cp "$machine$package" "$desktop/tmp/"
  deb=/tmp/$(basename "$package")
  in_root "$desktop" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$deb" ||
    die "the package did not install"
  in_root "$desktop" dpkg -L corvane >"$work/files"
  in_root "$desktop" su - "$user" -c "cd / && DISPLAY=$display exec corvane" &
  run_pid=$!
  wid=$(wait_for_frame_rate 60 "$run_pid") || die "the installed corvane never showed its frame rate"
  no_message_box || die "the installed corvane showed a message box"
  quit_with_escape "$wid" "$run_pid"
  in_root "$desktop" env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q corvane ||
    die "apt-get purge corvane failed"
  while read -r path; do
    # Folders the package shares with others (/usr, /usr/share/icons/...) stay.
    if [[ -e "$desktop$path" && ! -d "$desktop$path" ]] ||
       [[ -d "$desktop$path" && "$path" == *corvane* ]]; then
      left+=("$path")
    fi
  done <"$work/files"
  ((${#left[@]} == 0)) || die "purge left files behind: ${left[*]}"
  end

  log "passed on $name ($release); time per stage:"
  stage_table >&3
}

main "$@"
