# Sourced by the end-to-end scripts that drive a Corvane window on an X display with xdotool
# and ImageMagick: scripts/lib/common.sh (the pass/fail tally among it), waiting for the window
# and its frame-rate title, where windows stand, the walk through the menu bar, client-area
# shots and their statistics, and waiting for the program to end. The script sets `pid` when
# it starts the program, `server` when it starts a display server of its own, and
# `menu_bar_height` for client_shot.
# shellcheck source-path=SCRIPTDIR source=../../scripts/lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/common.sh"
work=$(mktemp -d)
pid=
server=
menu_bar_height=25
trap 'for p in $pid $server; do kill "$p" 2>/dev/null; done; xvfb_stop; rm -rf "$work"' EXIT

find_window() {  # find_window SECONDS [TITLE-PATTERN]: waits for the main window; sets wid, pointer in it
    wid=
    for _ in $(seq $(( $1 * 10 ))); do
        wid=$(xdotool search --onlyvisible --name "${2:-^Corvane}" 2>/dev/null | head -n 1)
        [ -n "$wid" ] && break
        sleep 0.1
    done
    [ -n "$wid" ] || return 1
    xdotool mousemove --window "$wid" 320 300
    sleep 0.3
}
find_box() {  # find_box CAPTION SECONDS: waits for a shown window captioned CAPTION; sets box
    box=
    for _ in $(seq $(( $2 * 10 ))); do
        box=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
        [ -n "$box" ] && return 0
        sleep 0.1
    done
    return 1
}
centre_of() {  # centre_of WINDOW: "X Y" of its middle on the screen
    xdotool getwindowgeometry --shell "$1" |
        awk -F= '/^X=/{x=$2} /^Y=/{y=$2} /^WIDTH=/{w=$2} /^HEIGHT=/{h=$2} END{print x+w/2, y+h/2}'
}
near() {  # near "X Y" "X Y": within 3 pixels
    awk -v a="$1" -v b="$2" 'BEGIN{split(a,p," "); split(b,q," "); exit !((p[1]-q[1])^2 + (p[2]-q[2])^2 <= 9)}'
}
# menu_walk Y SETTLE ESCAPES "NAME X"...: opens each menu from the bar (its title at X, Y in
# the window), checks that the top left of the screen then differs from before, and closes it
# with ESCAPES presses of Escape (SETTLE: seconds for the popup to draw).
menu_walk() {
    local y=$1 settle=$2 escapes=$3 menu name x i
    shift 3
    for menu in "$@"; do
        read -r name x <<<"$menu"
        import -window root -crop 400x300+0+0 "$work/closed-$name.png"
        xdotool mousemove --window "$wid" "$x" "$y" click 1
        sleep "$settle"
        import -window root -crop 400x300+0+0 "$work/open-$name.png"
        for ((i = 0; i < escapes; i++)); do
            xdotool key Escape
            sleep 0.3
        done
        xdotool mousemove --window "$wid" 320 300
        sleep 0.3
        check "differ '$work/open-$name.png' '$work/closed-$name.png'" "the $name menu opens from the menu bar"
    done
}
title_has_rate() {  # within $1 seconds, the title reads "Corvane (N.N fps)   "
    for _ in $(seq $(( $1 * 10 ))); do
        xdotool getwindowname "$wid" 2>/dev/null | grep -Eq '^Corvane \([0-9]+\.[0-9] fps\)   $' &&
            return 0
        sleep 0.1
    done
    return 1
}
client_shot() {  # client_shot FILE: the window below its menu bar
    import -window "$wid" "$work/whole.png" 2>/dev/null &&
        convert "$work/whole.png" -crop "+0+$menu_bar_height" +repage "$1"
}
stddev() { convert "$1" -colorspace Gray -format '%[fx:standard_deviation]' info:; }
mean() { convert "$1" -colorspace Gray -format '%[fx:mean]' info:; }
differ() { [ "$(compare -metric AE "$1" "$2" null: 2>&1 | cut -d' ' -f1)" != 0 ]; }
check_live_picture() {  # check_live_picture SHOT SECONDS: a lit, moving picture and its rate
    client_shot "$work/a.png"
    sleep 0.7
    client_shot "$work/b.png"
    [ -n "${CORVANE_E2E_SHOTS:-}" ] && cp "$work/whole.png" "$CORVANE_E2E_SHOTS/$1"
    check "awk 'BEGIN{exit !($(mean "$work/a.png") > 0.02)}'" "the picture is not black"
    check "awk 'BEGIN{exit !($(stddev "$work/a.png") > 0.02)}'" "the picture is not uniform"
    check "differ '$work/a.png' '$work/b.png'" "the picture changes over time"
    check "title_has_rate $2" "the title still shows the frame rate"
}
finish() {  # finish SECONDS NAME [CODE]: the program ends within SECONDS with exit code CODE (0)
    local code= expected=${3:-0}
    for _ in $(seq $(( $1 * 10 ))); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
        kill "$pid"; fail "$2 (still running)"
    else
        wait "$pid"; code=$?
        if [ "$code" -eq "$expected" ]; then pass "$2"; else fail "$2 (exit code $code)"; fi
    fi
    pid=
}
