#!/usr/bin/env bash
# corvane.exe under Wine on an X display, as a Windows user meets it, with xdotool, ImageMagick
# and window_probe (which asks the Win32 side what is shown): it imports only the system's
# DLLs and carries its version record; started in assets/, its title shows the frame rate
# within 30 s (Wine's first start is slow); the menu bar has File and Options and they open;
# Pause, Space, F1, F6, F3 and F5 are taken (each changes the paused picture); the client
# area shows the textured scene; Esc and the close box end it with exit code 0; with stained.bmp
# missing an "Error" box tells the texture's message and the demo runs on once it is answered.
# Uses the caller's Wine prefix and server (tests/windows/run-wine-tests.sh).
# Usage: corvane-wine.sh CORVANE_EXE WINDOW_PROBE_EXE ASSETS_DIR VERSION   (needs DISPLAY)
set -u
exe=$1
probe=$2
assets=$3
version=$4
wine=$(command -v /usr/lib/wine/wine64 || command -v wine64 || command -v wine)
source "$(dirname "$0")/../e2e/window-checks.sh"
menu_bar_height=24
ask() { "$wine" "$probe" "$@" 2>/dev/null | tr -d '\r'; }  # window_probe QUESTION ARGUMENT

start() {  # start DIR [WINEDEBUG]: runs corvane.exe with DIR as its working directory
    (cd "$1" && WINEDEBUG=${2:-$WINEDEBUG} exec "$wine" "$exe") >"$work/out.log" 2>&1 &
    pid=$!
}

echo "== the program file"
dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' |
       tr 'A-Z' 'a-z' | sort | tr '\n' ' ')
# advapi32: freeglut reads joystick names from the registry.
others=$(echo "$dlls" | tr ' ' '\n' |
         grep -Evx 'opengl32\.dll|glu32\.dll|gdi32\.dll|user32\.dll|kernel32\.dll|winmm\.dll|msvcrt\.dll|advapi32\.dll|' || true)
check '[ -z "$others" ]' "it imports only the system's DLLs: $dlls"
check '[ "$(ask version "Z:$exe")" = "$version.0 Corvane" ]' "its version record is $version.0, Corvane"

echo "== title, menu bar, accelerators, picture, Esc"
start "$assets" +accel  # Wine's trace of accelerator translation
find_window 30 || { fail "the window opens within 30 s"; exit 1; }
check 'title_has_rate 30' "the title shows the frame rate within 30 s"
# While running, Single Step is greyed: Windows sends no command for its accelerator (Space).
# 19c43: the accelerator's mark (1) and the command 40003.
xdotool key space
sleep 0.3
check 'grep -q "won.t send WM_{SYS}COMMAND" "$work/out.log" && ! grep -q "wparam=19c43" "$work/out.log"' \
    "Space sends no command while Single Step is greyed"
# The menu bar: File and Options each open a popup below them. Two Escapes: the first
# closes the popup, the second leaves the menu bar.
menu_walk 10 0.7 2 "File 15" "Options 55"
check 'kill -0 $pid' "Escape in an open menu only closes the menu"
# Paused, the picture stands still; each command then changes it: Space one step, F1 the
# shape, F6 light 1's glass, F3 the shadows, F5 light 1.
xdotool key Pause
sleep 0.5
client_shot "$work/paused.png"
sleep 0.5
client_shot "$work/still.png"
check "! differ '$work/paused.png' '$work/still.png'" "Pause stands the picture still"
previous="$work/still.png"
for key in space F1 F6 F3 F5; do
    xdotool key "$key"
    sleep 0.5
    client_shot "$work/after-$key.png"
    check "differ '$previous' '$work/after-$key.png'" "$key is taken and changes the picture"
    previous="$work/after-$key.png"
done
check 'kill -0 $pid' "the demo keeps running"
xdotool key Pause F5 F6  # running again, light 1 on
sleep 0.5
check_live_picture wine-window.png 3
xdotool key Escape
finish 10 "Esc ends the demo with exit code 0"

echo "== close box"
start "$assets"
find_window 30 || { fail "the window opens"; exit 1; }
ask close Corvane >/dev/null
finish 10 "the close box ends the demo with exit code 0"

echo "== missing stained.bmp"
mkdir -p "$work/assets"
cp "$assets/wood.bmp" "$assets/floor.bmp" "$work/assets/"
start "$work/assets"
find_box Error 30
check '[ -n "$box" ]' "a box captioned Error appears"
check '[ "$(ask text Error)" = "$(printf "stained.bmp\n\nCould not open file.")" ]' \
    "it tells the texture's message"
if [ -n "$box" ]; then
    xdotool mousemove --window "$box" 20 20
    sleep 0.3
    [ -n "${CORVANE_E2E_SHOTS:-}" ] && import -window "$box" "$CORVANE_E2E_SHOTS/wine-error-box.png"
    xdotool key Return
fi
find_window 10 || fail "the window is there once the box is answered"
check 'title_has_rate 10' "once answered, the demo runs on"
xdotool key Escape
finish 10 "and ends with exit code 0"

echo "== every key is the one its menu item shows"
# The key text after the tab of each menu item in app/ResourceTables.h, the table the resource
# script is built from, is pressed; Wine's accelerator trace names the command each key sends,
# which must be that item's. Pause first (Space acts only while paused), Esc last.
tables="$(dirname "$0")/../../app/ResourceTables.h"
items=$(sed -n 's/.*ITEM("[^"]*\\t\([^"]*\)", \(IDM_[A-Z0-9_]*\)).*/\1 \2/p' "$tables")
check '[ "$(echo "$items" | wc -l)" -eq 12 ]' "twelve menu items show a key"
start "$assets" +accel
find_window 30 || { fail "the window opens"; exit 1; }
title_has_rate 30 >/dev/null
ordered=$(echo "$items" | grep '^Pause '; echo "$items" | grep -v -e '^Pause ' -e '^Esc '
          echo "$items" | grep '^Esc ')
while read -r shown name; do
    id=$(sed -n "s/^#define $name \([0-9]*\)\$/\1/p" "$tables")
    case $shown in Esc) key=Escape ;; Space) key=space ;; *) key=$shown ;; esac
    before=$(wc -l <"$work/out.log")
    xdotool key "$key"
    sent=
    for _ in $(seq 30); do  # the trace of a loaded machine may come late
        sleep 0.1
        sent=$(tail -n +"$((before + 1))" "$work/out.log" | grep -io 'wparam=1[0-9a-f]\{4\}\b' |
               tr 'A-Z' 'a-z' | sort -u | tr '\n' ' ')
        [ -n "$sent" ] && break
    done
    sleep 0.3
    sent=$(tail -n +"$((before + 1))" "$work/out.log" | grep -io 'wparam=1[0-9a-f]\{4\}\b' |
           tr 'A-Z' 'a-z' | sort -u | tr '\n' ' ')
    check '[ "$sent" = "$(printf "wparam=1%x " "$id")" ]' "$shown sends $name ($id): ${sent:-nothing}"
done <<<"$ordered"
finish 10 "Esc, the last of them, ends the demo with exit code 0"

summary
