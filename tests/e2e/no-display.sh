#!/usr/bin/env bash
# Without an X display every program of ours (the demo on FLTK; the snapshot tool and the
# test suites on the offscreen backend, whose GLUT needs the display) says in one stderr line
# why and what to do, and ends at once with the start-up failure code (-1, seen as 255): with
# DISPLAY unset, with DISPLAY naming a display no server answers, and on a server that
# refuses this client (the server's reason in that line); a server that closes the connection
# right after set-up gets one line too, and exit code 1, as a connection lost later does. A
# server that accepts and never answers is waited for, as by any X client, and Ctrl-C (SIGINT)
# ends the wait. On a server
# without GLX the offscreen programs refuse in one line too, never with freeglut's message;
# the demo's Error box there is corvane-window.sh's.
# The time limits count from what the same program takes to fail with DISPLAY unset (no X at
# all), so that a loaded machine's slower start moves the limits with it.
# Usage: no-display.sh PROGRAM...
set -u
# shellcheck source-path=SCRIPTDIR source=../../scripts/lib/common.sh
source "$(dirname "$0")/../../scripts/lib/common.sh"
work=$(mktemp -d)
err=$work/err
listener=
closer=
trap 'xvfb_stop; kill $listener $closer 2>/dev/null; rm -rf "$work"' EXIT

# A display number with neither a socket nor a lock file: nothing answers there.
free=$(free_display 1999 2099) && free=":$free"
# A server that accepts connections and never answers, on the Linux abstract socket Xlib
# tries first for a local display (no file needed).
silent=
for number in $(seq 2100 2199); do
    grep -q "@/tmp/.X11-unix/X$number\b" /proc/net/unix || { silent=":$number"; break; }
done
perl -MIO::Socket::UNIX -e '
    my $server = IO::Socket::UNIX->new(Type => SOCK_STREAM(), Listen => 5,
                                       Local => "\0/tmp/.X11-unix/X$ARGV[0]") or die "$!\n";
    my @held;
    while (my $client = $server->accept) { push @held, $client }' "${silent#:}" &
listener=$!
# A server without GLX that lets in only the holder of its cookie.
guarded=$(free_display 2200 2299)
cookie=$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')
xauth -q -f "$work/server-auth" add ":$guarded" . "$cookie" 2>/dev/null
: >"$work/no-cookie"
xvfb_start "$guarded" "$guarded" -auth "$work/server-auth" -extension GLX
# A server that closes each connection right after set-up: a proxy to that one, which passes
# on the client's set-up and the server's answer, then closes both.
for closing in $(seq 2400 2499); do
    grep -q "@/tmp/.X11-unix/X$closing\b" /proc/net/unix || break
done
xauth -q -f "$work/server-auth" add ":$closing" . "$cookie" 2>/dev/null
python3 -c '
import socket, struct, sys
def take(peer, size):
    data = b""
    while len(data) < size and (part := peer.recv(size - len(data))):
        data += part
    return data
server = socket.socket(socket.AF_UNIX)
server.bind("\0/tmp/.X11-unix/X" + sys.argv[1])
server.listen(5)
while True:
    client, _ = server.accept()
    upstream = socket.socket(socket.AF_UNIX)
    upstream.connect("/tmp/.X11-unix/X" + sys.argv[2])
    head = take(client, 12)
    order = "<" if head[:1] == b"l" else ">"
    name, data = struct.unpack(order + "HH", head[6:10])
    upstream.sendall(head + take(client, -name % 4 + name + -data % 4 + data))
    answer = take(upstream, 8)
    client.sendall(answer + take(upstream, 4 * struct.unpack(order + "H", answer[6:8])[0]))
    client.close()
    upstream.close()' "$closing" "$guarded" &
closer=$!
for _ in $(seq 50); do grep -q "@/tmp/.X11-unix/X$closing\b" /proc/net/unix && break; sleep 0.1; done

for program in "$@"; do
    name=$(basename "$program")
    base=0
    for case in unset "$free" refused no-glx closed; do
        display=$case authority=$work/no-cookie expected=255
        names="\"$display\": no X server answers there"
        case $case in
            unset) names="DISPLAY is not set" ;;
            refused) display=$xvfb_display names="refused this user (" ;;
            no-glx) display=$xvfb_display authority=$work/server-auth
                    names="offers no OpenGL (GLX)" ;;
            closed) display=:$closing authority=$work/server-auth expected=1  # a lost connection
                    names="\"$display\": the X server closed the connection" ;;
        esac
        [ "$case" = no-glx ] && [ "$name" = corvane ] && continue  # its Error box is a window
        start=$(date +%s%N)
        if [ "$case" = unset ]; then
            env -u DISPLAY timeout -s KILL 20 "$program" >/dev/null 2>"$err"
        else
            DISPLAY="$display" XAUTHORITY="$authority" timeout -s KILL 20 "$program" \
                >/dev/null 2>"$err"
        fi
        code=$?
        ms=$(( ($(date +%s%N) - start) / 1000000 ))
        [ "$case" = unset ] && base=$ms
        lines=$(wc -l <"$err")
        check '[ -n "$display" ] && [ "$code" -eq "$expected" ] && [ "$ms" -lt $((base + 1500)) ] &&
               [ "$lines" -eq 1 ] && grep -qF "$names" "$err" && ! grep -q freeglut "$err"' \
            "$name with DISPLAY ${display:-(none)} ($case): exit $code after $ms ms, $lines line: \
$(head -c 200 "$err")"
    done
    # Still waiting after a second, then ended by SIGINT, as Ctrl-C ends it (a background
    # job of a script ignores SIGINT unless told otherwise).
    DISPLAY=$silent timeout --preserve-status -s INT -k 5 1 env --default-signal=INT \
        "$program" >/dev/null 2>"$err"
    code=$?
    check '[ "$code" -eq 130 ] && [ ! -s "$err" ]' \
        "$name waits for a server that never answers, and SIGINT ends it: exit $code"
done

summary
