#!/usr/bin/env bash
# Drives the real corvane window on an X display as a user would, with xdotool and
# ImageMagick: title with the frame rate, the icon, the menu bar and its check marks, every
# accelerator, a picture that is neither black nor still, Esc and the close box, the aspect
# after a resize, the message boxes for About and a missing texture, centred over the window, command-line
# arguments left alone, the Error box on a server without GLX, the exit code when the X server
# goes away, and the demo under a Wayland desktop through XWayland. Without a window manager
# the keyboard follows the pointer, so the pointer is kept in the client area.
# Usage: corvane-window.sh CORVANE FLTK_SMOKE ASSETS_DIR   (needs DISPLAY)
set -u
corvane=$1
smoke=$2      # sends the close box's message to a window: --send-close WINDOW
assets=$3
# With scripts/lib/common.sh, which window-checks.sh sources.
source "$(dirname "$0")/window-checks.sh"

start() {  # start DIR [ARGUMENT...]: runs corvane with DIR as its working directory
    local dir=$1
    shift
    (cd "$dir" && exec "$corvane" "$@") >"$work/out.log" 2>&1 &
    pid=$!
}

echo "== arguments, title, icon, menu bar, About, accelerators, picture, Esc"
# The program has no options: GLUT would act on -display and fail on a display that is not there.
start "$assets" -display :1999 -iconic
find_window 30 || { fail "the window opens"; exit 1; }
check 'title_has_rate 10' "the title shows the frame rate within 10 s"
check '! grep -q ":1999" "$work/out.log"' "command-line arguments are left alone"
icons=$(xprop -id "$wid" _NET_WM_ICON | grep -o 'Icon ([0-9]* x [0-9]*)' | tr '\n' ' ')
check '[ "$icons" = "Icon (48 x 48) Icon (128 x 128) " ]' "the window carries the icon: $icons"
xdotool mousemove --window "$wid" 22 12 click 1
sleep 0.5
xdotool mousemove --window "$wid" 40 35 click 1
about=$(xdotool search --sync --onlyvisible --name '^About This Demo$' | head -n 1)
check 'near "$(centre_of "$about")" "$(centre_of "$wid")"' "About opens centred over the window"
xdotool mousemove --window "$about" 20 20
sleep 0.3
xdotool key Return
sleep 0.3
xdotool mousemove --window "$wid" 320 300
sleep 0.2
client_shot "$work/before-menu.png"
menu_walk 12 0.5 1 "File 22" "Options 75"
check 'kill -0 $pid' "Escape in an open menu only closes the menu"
for key in F1 F2 F3 F5 F6 F7 F9 F10 F11 Pause space Pause; do
    xdotool key "$key"
    sleep 0.2
done
check 'kill -0 $pid' "every accelerator is taken and the demo keeps running"
xdotool key F2 F5  # the shape turns again, lit by light 1
sleep 0.3
check_live_picture window.png 2
# Each command's check mark follows its state: the mark of Pause, Rotate, each light's Enabled,
# Stained Glass and Move, and Shadow (0 after one F3 above, 1 after the next) changes when its
# key is pressed. Each menu is opened from the bar; a submenu by resting on its item.
marks() {  # marks NAME: a shot of each menu
    local menu x y
    for menu in "22 0" "75 36" "75 57" "75 78"; do
        read -r x y <<<"$menu"
        xdotool mousemove --window "$wid" "$x" 12 click 1
        sleep 0.5
        [ "$y" -gt 0 ] && xdotool mousemove --window "$wid" 90 "$y" && sleep 0.5
        import -window root "$work/marks-$1-$x-$y.png"
        xdotool key Escape
        sleep 0.3
        xdotool mousemove --window "$wid" 320 300
        sleep 0.3
    done
}
marks before
xdotool key Pause F2 F5 F6 F7 F9 F10 F11 F3
sleep 0.5
marks after
eval "$(xdotool getwindowgeometry --shell "$wid")"  # X and Y: where the window is
same=
for mark in "22-0 13 57 Pause" "75-36 184 57 Rotate" "75-36 54 99 Shadow" "75-57 184 57 Enabled1" \
            "75-57 184 78 Glass1" "75-57 184 99 Move1" "75-78 184 78 Enabled2" \
            "75-78 184 99 Glass2" "75-78 184 120 Move2"; do
    read -r shot x y name <<<"$mark"
    for state in before after; do
        convert "$work/marks-$state-$shot.png" -crop "7x7+$((X + x - 3))+$((Y + y - 3))" +repage \
            "$work/mark-$state.png"
    done
    differ "$work/mark-before.png" "$work/mark-after.png" || same+=" $name"
done
check '[ -z "$same" ]' "every check mark follows its command's state${same:+ (not:$same)}"
xdotool key Escape
finish 15 "Esc ends the demo with exit code 0"

echo "== aspect after a resize, close box"
start "$assets"
find_window 30 || { fail "the window opens"; exit 1; }
title_has_rate 10 || fail "the second start draws frames"  # a loaded machine starts slowly
xdotool key Pause
sleep 0.5
client_shot "$work/narrow.png"
xdotool windowsize "$wid" 1288 505
sleep 1
xdotool mousemove --window "$wid" 320 300
sleep 0.5
client_shot "$work/wide.png"
narrow=$(convert "$work/narrow.png" -fuzz 3% -trim -format '%w %h' info:)
wide=$(convert "$work/wide.png" -fuzz 3% -trim -format '%w %h' info:)
# The vertical field of view is fixed, so a wider window shows more on the sides: the scene
# keeps its size in pixels when the aspect follows the window, and stretches when it does not.
check "awk -v n='$narrow' -v w='$wide' 'BEGIN{split(n,a,\" \"); split(w,b,\" \"); r=(b[1]/b[2])/(a[1]/a[2]); exit !(r > 0.95 && r < 1.05)}'" \
    "a resized window keeps the aspect right ($narrow vs $wide)"
"$smoke" --send-close "$wid"
finish 15 "the close box ends the demo with exit code 0"

echo "== missing stained.bmp"
mkdir -p "$work/assets"
cp "$assets/wood.bmp" "$assets/floor.bmp" "$work/assets/"
start "$work/assets"
find_box Error 30
check '[ -n "$box" ]' "a dialog captioned Error tells of the missing file"
main=$(xdotool search --name '^Corvane' 2>/dev/null | head -n 1)
check '[ -n "$main" ] && near "$(centre_of "$box")" "$(centre_of "$main")"' \
    "it opens centred over the window"
if [ -n "$box" ]; then
    xdotool mousemove --window "$box" 20 20
    sleep 0.3
    import -window "$box" "${CORVANE_E2E_SHOTS:-$work}/error-box.png"
    xdotool key Return
fi
find_window 30 || fail "the window opens after the message"
check 'title_has_rate 10' "once answered, the demo runs on"
xdotool key Escape
finish 15 "and ends with exit code 0"

echo "== an X server without GLX"
# The pixel format fails: the Error box, exit code 255 once it is answered, and nothing on
# stderr (freeglut would print its own message and end with 1).
xvfb_start 2300 2399 -screen 0 800x600x24 -extension GLX
(cd "$assets" && DISPLAY="$xvfb_display" exec "$corvane") >"$work/no-glx.log" 2>&1 &
pid=$!
DISPLAY=$xvfb_display find_box Error 30
check '[ -n "$box" ]' "a dialog captioned Error says the pixel format failed"
[ -n "$box" ] && DISPLAY=$xvfb_display xdotool mousemove --window "$box" 20 20 sleep 0.3 key Return
finish 15 "once answered, the demo ends with exit code 255" 255
check '[ ! -s "$work/no-glx.log" ]' "and prints nothing: $(head -c 160 "$work/no-glx.log")"
# The system's text that box shows, as the FLTK backend gives it.
DISPLAY=$xvfb_display timeout 20 "$smoke" >"$work/no-glx.log" 2>&1
check 'grep -qx "SetPixelFormat failed: The X server offers no OpenGL (GLX)." "$work/no-glx.log"' \
    "the reason: $(grep -m1 failed "$work/no-glx.log")"
xvfb_stop

echo "== losing the X server"
# On an X server of its own, ended under the running demo: it ends as its manual page says.
xvfb_start 2300 2399 -screen 0 800x600x24
lost=$xvfb_display
(cd "$assets" && DISPLAY="$lost" exec "$corvane") >"$work/lost.log" 2>&1 &
pid=$!
for _ in $(seq 300); do
    DISPLAY="$lost" xdotool search --name '^Corvane \(' >/dev/null 2>&1 && break
    sleep 0.1
done
kill "$xvfb_pid"
wait "$xvfb_pid" 2>/dev/null
xvfb_pid=
code=
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if ! kill -0 "$pid" 2>/dev/null; then wait "$pid"; code=$?; fi
manual=$(sed -n '/^\.SH EXIT STATUS/,$p' "$(dirname "$0")/../../packaging/corvane.6.in")
check '[ "$code" = 1 ] && [ "$(grep -c "X I/O error" "$work/lost.log")" -eq 1 ] &&
       grep -qx "\.B 1" <<<"$manual" && grep -q "X I/O error" <<<"$manual"' \
    "it ends with exit code 1 and \"X I/O error\" once, as the manual page says (code $code)"
pid=

echo "== under a Wayland desktop"
# As a Wayland session runs it: an X client of the XWayland server that weston starts, here
# weston's headless backend in a runtime folder of its own (0700), whatever display the
# caller has. Weston 10 names the backend by its module file; weston 14 by its short name,
# and it crashes when /tmp/.X11-unix is missing, as in a fresh /tmp.
version=$(weston --version 2>/dev/null | sed -n 's/^weston \([0-9.]*\).*/\1/p')
backend=headless
[ "${version%%.*}" -lt 12 ] 2>/dev/null && backend=headless-backend.so
[ -d /tmp/.X11-unix ] || mkdir -m 1777 /tmp/.X11-unix
mkdir -m 700 "$work/runtime"
env -u DISPLAY -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$work/runtime" weston --no-config \
    --backend="$backend" --xwayland --socket=corvane --log="$work/weston.log" >/dev/null 2>&1 &
server=$!
display=
for _ in $(seq 100); do
    display=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$work/weston.log" \
        2>/dev/null)
    [ -n "$display" ] || ! kill -0 "$server" 2>/dev/null && break
    sleep 0.1
done
check '[ -n "$display" ]' \
    "weston ${version:-(missing)} --backend=$backend offers XWayland on ${display:-no display}"
if [ -n "$display" ]; then
    export DISPLAY=$display
    start "$assets"
    # Not find_window: Xwayland 22 crashes when a pointer is warped on a seat without one.
    title=
    for _ in $(seq 300); do
        title=$(xdotool search --name '^Corvane \([0-9]+\.[0-9] fps\)   $' getwindowname \
            2>/dev/null)
        [ -n "$title" ] || ! kill -0 "$pid" 2>/dev/null && break
        sleep 0.1
    done
    check '[ -n "$title" ]' "the window opens and shows its frame rate: \"$title\""
    xdotool key Escape
    finish 15 "Esc ends the demo with exit code 0"
fi
kill "$server" 2>/dev/null
wait "$server"
server=

summary
