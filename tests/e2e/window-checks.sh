# Sourced by the end-to-end scripts that drive a Corvane window on an X display with xdotool
# and ImageMagick: scripts/lib/common.sh (the pass/fail tally among it), waiting for the window
# and its frame-rate title, client-area shots and their statistics, and waiting for the program
# to end. The script sets `pid` when it starts the program and `menu_bar_height` for client_shot.
# shellcheck source-path=SCRIPTDIR source=../../scripts/lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/common.sh"
work=$(mktemp -d)
pid=
menu_bar_height=25
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT

find_window() {  # find_window SECONDS: waits for the main window; sets wid, pointer in it
    wid=
    for _ in $(seq $(( $1 * 10 ))); do
        wid=$(xdotool search --onlyvisible --name '^Corvane' 2>/dev/null | head -n 1)
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
finish() {  # finish SECONDS NAME: the program ends within SECONDS with exit code 0
    local code=
    for _ in $(seq $(( $1 * 10 ))); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
        kill "$pid"; fail "$2 (still running)"
    else
        wait "$pid"; code=$?
        if [ "$code" -eq 0 ]; then pass "$2"; else fail "$2 (exit code $code)"; fi
    fi
    pid=
}
