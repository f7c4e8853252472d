#!/usr/bin/env bash
# Drives fltk_smoke on an X display with xdotool and checks what it prints: pixel format
# and first size, accelerators, a greyed item's key, menu choice, Escape, a held key through
# auto-repeat, resizing (below the menu bar too), the close box, and message boxes: their
# answers (a Yes/No question only by its buttons, each clicked where the box has it), and where
# they open (centred over the window, or over the screen before there is one).
# Usage: fltk-smoke.sh path/to/fltk_smoke [screenshot-dir]   (DISPLAY defaults to :99)
# Needs xdotool, and ImageMagick's import when screenshots are asked for.
set -u
smoke=$1
shots=${2:-}
export DISPLAY="${DISPLAY:-:99}"
# With scripts/lib/common.sh, which window-checks.sh sources.
source "$(dirname "$0")/window-checks.sh"
log="$work/log"

# wait_for PATTERN [seconds]: until the log has a line matching PATTERN.
wait_for() {
    local tries=$(( ${2:-5} * 10 ))
    while [ "$tries" -gt 0 ]; do
        grep -q -- "$1" "$log" && return 0
        sleep 0.1
        tries=$((tries - 1))
    done
    return 1
}
expect() { if wait_for "$1" "${3:-3}"; then pass "$2"; else fail "$2 (no '$1')"; fi; }
expect_none() { if grep -q -- "$1" "$log"; then fail "$2 ('$1' seen)"; else pass "$2"; fi; }
count() { grep -c -- "$1" "$log"; }
shot() { [ -n "$shots" ] && import -window root "$shots/$1.png"; }

start() {
    : >"$log"
    "$smoke" "$@" >"$log" 2>&1 &
    pid=$!
}
# The main window, once it has been painted; the pointer rests in its client area, so the
# keyboard goes to it without a window manager.
painted_window() {
    wait_for '^paint' 10 || { fail "window painted"; return 1; }
    find_window 5 '^fltk smoke'
}
# enter_box CAPTION: waits for the dialog captioned CAPTION and puts the pointer in it
# (without a window manager the keyboard follows the pointer); sets box.
enter_box() {
    find_box "$1" 10
    sleep 0.3
    xdotool mousemove --window "$box" 20 20
    sleep 0.2
}
screen_centre() { xdotool getdisplaygeometry | awk '{print $1/2, $2/2}'; }

echo "== keys, menu, held key, resize, Escape"
start
painted_window || exit 1
expect '^focus in' "the window under the pointer has the keyboard focus"
expect '^format index=[1-9]' "a pixel format is chosen"
expect '^size 640x480 viewport=640x480' "first size is the 640x480 client, context current"
xdotool key F1
expect '^command 40005' "F1 sends Change Shape"
xdotool key F3
expect '^keydown F3' "F3 reaches the queue"
sleep 0.3
expect_none '^command 40013' "greyed Shadow's F3 sends nothing"
xdotool mousemove --window "$wid" 22 12 click 1
sleep 0.5
shot menu-file
xdotool mousemove --window "$wid" 40 57 click 1
expect '^command 40002' "choosing Pause in the menu sends its command"
xdotool mousemove --window "$wid" 22 12 click 1
sleep 0.3
xdotool mousemove --window "$wid" 40 35 click 1
expect '^command 40001' "choosing About sends its command"
enter_box About
if near "$(centre_of "$box")" "$(centre_of "$wid")"; then pass "the About box opens centred over the window"
else fail "the About box opens centred over the window ($(centre_of "$box") vs $(centre_of "$wid"))"; fi
xdotool key Return
xdotool mousemove --window "$wid" 320 300
sleep 0.3
xdotool mousemove --window "$wid" 75 12 click 1
sleep 0.3
xdotool mousemove --window "$wid" 75 35
sleep 0.5
shot menu-options
xdotool key Escape
sleep 0.3
expect_none '^keydown Escape' "Escape closes an open menu and reaches no queue"
xdotool mousemove --window "$wid" 320 300
sleep 0.2
xdotool keydown Left
sleep 1.5
repeats=$(count '^keydown Left')
downs=$(count '^held Left down')
ups=$(count '^held Left up')
xdotool keyup Left
sleep 0.3
if [ "$repeats" -gt 3 ] && [ "$downs" -eq 1 ] && [ "$ups" -eq 0 ]; then
    pass "held Left reads held through $repeats auto-repeats"
else
    fail "held Left: $repeats repeats, $downs downs, $ups ups while held"
fi
expect '^held Left up' "released Left reads released"
# The other camera keys each read held as themselves: a key read as another would turn the
# camera the wrong way (Home moving away instead of nearer).
for key in Up Down Home End; do
    xdotool keydown "$key"
    expect "^held $key down" "held $key reads held as $key"
    xdotool keyup "$key"
    expect "^held $key up" "released $key reads released"
done
# Without a window manager the keyboard follows the pointer: moving within the window keeps
# a held key held, leaving the window gives the keyboard away, and the key reads released.
xdotool keydown Right
sleep 0.3
xdotool mousemove --window "$wid" 320 10
sleep 0.3
xdotool mousemove --window "$wid" 320 300
sleep 0.3
expect_none '^held Right up' "held Right stays held while the pointer crosses the menu bar"
xdotool mousemove --window "$wid" 900 300
expect '^held Right up' "leaving the window releases held Right"
expect '^focus out' "and the window has lost the keyboard focus"
xdotool keyup Right
xdotool mousemove --window "$wid" 320 300
sleep 0.2
xdotool windowsize "$wid" 800 625
expect '^size 800x600 viewport=800x600' "resizing sends the new client size"
sleep 0.5
shot resized
xdotool windowsize "$wid" 300 10
expect '^size 300x0 viewport=300x0' "a frame lower than its menu bar sends a client height of 0"
xdotool windowsize "$wid" 800 625
sleep 0.3
check_count() { if [ "$(count "$1")" -eq "$2" ]; then pass "$3"; else fail "$3 ($(count "$1") times '$1')"; fi; }
check_count '^size 800x600 viewport=800x600' 2 "and growing it again sends the size back"
xdotool mousemove --window "$wid" 320 300
sleep 0.2
xdotool key Escape
expect '^keydown Escape' "Escape reaches the queue"
expect '^command 40004' "Escape's accelerator sends Exit"
finish 5 "Exit ends the loop with code 0" 0

echo "== close box"
start
painted_window || exit 1
"$smoke" --send-close "$wid"
expect '^close' "the close box sends Close"
expect '^destroy context=current' "default processing destroys the window; GL still works"
expect_none 'Bad[A-Z][a-z]*' "no X errors from GL calls after the window is gone"
finish 5 "the loop ends with the code posted on Close" 3

echo "== message boxes"
start --boxes
wait_for '' 1
enter_box Warning
if near "$(centre_of "$box")" "$(screen_centre)"; then pass "a box before any window opens centred on the screen"
else fail "a box before any window opens centred on the screen ($(centre_of "$box"))"; fi
shot box-warning
xdotool key Return
expect '^box answer yes' "Enter answers Yes"
enter_box Error
shot box-error
xdotool key Escape
expect '^box answer ok' "Escape dismisses an OK box with OK"
painted_window || exit 1
"$smoke" --send-close "$wid"
finish 5 "the window opens after the boxes" 3

start --boxes
enter_box Warning
xdotool key Escape
"$smoke" --send-close "$box"
sleep 0.5
expect_none '^box answer' "Escape and the close box leave a Yes/No question open"
# click_button N: clicks the middle of the Nth button from the right, where the box has it:
# 90x23 pixels, 10 apart and from the edges.
click_button() {
    local size
    size=$(xdotool getwindowgeometry --shell "$box" 2>/dev/null | awk -F= '/^WIDTH=/{w=$2} /^HEIGHT=/{h=$2} END{print w, h}')
    set -- "$1" $size 0 0
    xdotool mousemove --window "$box" $(($2 - 100 * $1 + 45)) $(($3 - 21)) click 1
}
click_button 1  # No
expect '^box answer no' "only its No button answers No"
enter_box Error
click_button 1
expect '^box answer ok' "an OK box's one button, in its place, answers OK"
painted_window || exit 1
"$smoke" --send-close "$wid"
finish 5 "the window opens after the boxes" 3

start --boxes
enter_box Warning
click_button 2
expect '^box answer yes' "a Yes/No box shows Yes left of No, each in its place"
enter_box Error
xdotool key Return
painted_window || exit 1
"$smoke" --send-close "$wid"
finish 5 "the window opens after the boxes" 3

summary
