#!/usr/bin/env bash
# Without an X display every program of ours (the demo on FLTK; the snapshot tool and the
# test suites on the offscreen backend, whose GLUT needs the display) says in one stderr line
# what is missing and what to do, and ends at once with the start-up failure code (-1, seen
# as 255): with DISPLAY unset, and with DISPLAY naming a display no server answers. A broken X
# environment never hangs start-up: a display socket that accepts and never answers is given
# up after the connection deadline (5 s), and so is one that answers the first connection and
# not the next (a proxy that forwards one only: GLUT's and FLTK's connections come later, under
# the same deadline). An authority file (XAUTHORITY) that is a device or a FIFO, which Xlib
# would read or wait on for ever, or one too large to read in time, is refused before
# connecting, with its name.
# A hang is cut off after 20 s and fails. The time limits count from what the same program
# takes to fail with DISPLAY unset (no X at all), so that a loaded machine's slower start
# moves the limits with it: a retry loop of 2 s, or a deadline of 5 s, still shows.
# Usage: no-display.sh PROGRAM...   (DISPLAY: a live server, for the XAUTHORITY cases)
set -u
# shellcheck source-path=SCRIPTDIR source=../../scripts/lib/common.sh
source "$(dirname "$0")/../../scripts/lib/common.sh"
live=${DISPLAY:-}
work=$(mktemp -d)
err=$work/err
listener=
proxy_pid=
trap 'xvfb_stop; for pid in $listener $proxy_pid; do kill "$pid" 2>/dev/null; done; rm -rf "$work"' EXIT
mkfifo "$work/fifo"
truncate -s 1G "$work/huge-authority"

# A display number with neither a socket nor a lock file: nothing answers there.
free=$(free_display 1999 2099) && free=":$free"
# A server that accepts connections and never answers, on the Linux abstract socket Xlib
# tries first for a local display (no file needed).
unused_abstract_display() {  # FROM TO: ":N" for the first N whose abstract socket is unbound
    local number
    for number in $(seq "$1" "$2"); do
        grep -q "@/tmp/.X11-unix/X$number\b" /proc/net/unix || { echo ":$number"; return; }
    done
}
hang=$(unused_abstract_display 2100 2199)
perl -MIO::Socket::UNIX -e '
    my $server = IO::Socket::UNIX->new(Type => SOCK_STREAM(), Listen => 5,
                                       Local => "\0/tmp/.X11-unix/X$ARGV[0]") or die "$!\n";
    my @held;
    while (my $client = $server->accept) { push @held, $client }' "${hang#:}" &
listener=$!
# A proxy to the live server that forwards one connection at a time: while one is forwarded,
# the next are accepted and never answered. Each program's first connection is forwarded.
proxy=$(unused_abstract_display 2300 2399)
perl -MIO::Socket::UNIX -MIO::Select -MPOSIX=:sys_wait_h -e '
    my ($number, $real) = @ARGV;
    my $server = IO::Socket::UNIX->new(Type => SOCK_STREAM(), Listen => 5,
                                       Local => "\0/tmp/.X11-unix/X$number") or die "$!\n";
    my @held;
    my $forwarding = 0;
    while (my $client = $server->accept) {
        $forwarding = 0 if $forwarding && waitpid($forwarding, WNOHANG) != 0;
        if ($forwarding) { push @held, $client; next }
        my $upstream = IO::Socket::UNIX->new(Type => SOCK_STREAM(), Peer => $real) or die "$!\n";
        $forwarding = fork();
        next if $forwarding;
        my %other = ($client => $upstream, $upstream => $client);
        my $select = IO::Select->new($client, $upstream);
        while (my @ready = $select->can_read) {
            for my $from (@ready) {
                my $n = sysread($from, my $bytes, 65536);
                exit 0 unless $n;
                syswrite($other{$from}, $bytes) or exit 0;
            }
        }
    }' "${proxy#:}" "/tmp/.X11-unix/X$(echo "${live#*:}" | cut -d. -f1)" &
proxy_pid=$!
sleep 0.3

declare -A base_ms  # each program's time to fail with DISPLAY unset
for program in "$@"; do
    name=$(basename "$program")
    for case in unset "$free" "$hang" "$proxy" /dev/zero /dev/urandom "$work/fifo" \
                "$work/huge-authority"; do
        display=$case
        authority=
        base=${base_ms[$name]:-0}
        limit=$((base + 1500))
        case $case in
            unset) limit=5000 ;;
            /*) display=$live authority=$case ;;     # a live display, a broken authority file
            "$hang" | "$proxy") limit=$((base + 6500)) ;;  # the connection deadline, a margin
        esac
        start=$(date +%s%N)
        if [ "$case" = unset ]; then
            env -u DISPLAY timeout -s KILL 20 "$program" >/dev/null 2>"$err"
        elif [ -n "$authority" ]; then
            DISPLAY="$display" XAUTHORITY="$authority" timeout -s KILL 20 "$program" \
                >/dev/null 2>"$err"
        else
            DISPLAY="$display" timeout -s KILL 20 "$program" >/dev/null 2>"$err"
        fi
        code=$?
        ms=$(( ($(date +%s%N) - start) / 1000000 ))
        [ "$case" = unset ] && base_ms[$name]=$ms
        lines=$(wc -l <"$err")
        if [ "$case" = unset ]; then
            names="DISPLAY is not set"
        elif [ -n "$authority" ]; then
            names="\"$display\": its authority file $authority"
        else
            names="\"$display\""
        fi
        check '[ -n "$display" ] && [ "$code" -eq 255 ] && [ "$ms" -lt "$limit" ] &&
               [ "$lines" -eq 1 ] && grep -qF "$names" "$err"' \
            "$name with DISPLAY ${display:-(none: set DISPLAY to a live server)}${authority:+ \
XAUTHORITY $authority}: exit $code after $ms ms, $lines line: $(head -c 160 "$err")"
    done
done

# A server that refuses this client (its cookie is not in the authority file given): the
# retries end after two seconds, with our line and Xlib's own complaint once, not once an
# attempt.
refusing=$(free_display 2200 2299)
cookie=$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')
xauth -q -f "$work/server-auth" add ":$refusing" . "$cookie" 2>/dev/null
: >"$work/no-cookie"
xvfb_start "$refusing" "$refusing" -auth "$work/server-auth"
for program in "$@"; do
    name=$(basename "$program")
    start=$(date +%s%N)
    DISPLAY=":$refusing" XAUTHORITY="$work/no-cookie" timeout -s KILL 20 "$program" \
        >/dev/null 2>"$err"
    code=$?
    ms=$(( ($(date +%s%N) - start) / 1000000 ))
    ours=$(grep -c "cannot open the X display \":$refusing\"" "$err")
    others=$(grep -vc -e "cannot open the X display" -e '^$' "$err")
    check '[ "$code" -eq 255 ] && [ "$ms" -lt $((${base_ms[$name]:-0} + 5500)) ] &&
           [ "$ours" -eq 1 ] && [ "$others" -le 1 ]' \
        "$name refused by the server: exit $code after $ms ms, our line $ours times, \
$others other lines"
done

summary
