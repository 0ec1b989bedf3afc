#!/bin/bash
# x11_test.sh -- the player under a real X server (Xvfb, one 640x480 16-bit mode, no window manager):
# Escape and a close request end it with 0, full screen runs at the offered size and fails at another,
# every way out of a full-screen run (a corrupt JPEG, an ending or a crash signal) gives the desktop
# its mode back, and an ending signal ends a run that waits on its message box.
# Usage: x11_test.sh PLAYER X11_CLOSE   (run inside xvfb-run -s "-screen 0 640x480x16 -noreset")
set -u
player=$1
x11_close=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
export SDL_AUDIODRIVER=dummy
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Starts the player on script text $1 in the background; sets pid.
start_player() {
    printf '%s' "$1" > script.txt
    "$player" 2> stderr.txt &
    pid=$!
}

# The id of the first top-level window named exactly $1, or nothing.
find_window() {
    xwininfo -root -children | grep -F "\"$1\": " | awk '{ print $1; exit }'
}

# The same, waiting up to 20 seconds for the window to appear.
window_of() {
    for _ in $(seq 200); do
        id=$(find_window "$1")
        [ -n "$id" ] && { echo "$id"; return; }
        sleep 0.1
    done
}

# Waits up to 20 seconds for the player to end; sets rc (124 when it did not end).
wait_player() {
    for _ in $(seq 200); do
        if ! kill -0 "$pid" 2> /dev/null; then
            wait "$pid"
            rc=$?
            return
        fi
        sleep 0.1
    done
    kill "$pid"
    wait "$pid"
    rc=124
}

# Waits up to 30 seconds for the command after $1 to succeed; fails the case named $1 when it does not.
wait_for() {
    what=$1
    shift
    for _ in $(seq 300); do
        "$@" && return 0
        sleep 0.1
    done
    fail "$what: not within 30 seconds"
    return 1
}

# Window $1 is mapped and shown.
viewable() {
    xwininfo -id "$1" 2> /dev/null | grep -q "Map State: IsViewable"
}

# Window $1 has the keyboard focus, where xdotool's keys go.
focused() {
    [ "$(xdotool getwindowfocus 2> /dev/null)" = "$(($1))" ]
}

# The display's current mode, as "<width>x<height>".
current_mode() {
    xrandr | awk '$2 ~ /\*/ { print $1; exit }'
}

in_mode() {
    [ "$(current_mode)" = "$1" ]
}

mkdir -p textures
ffmpeg -loglevel error -f lavfi -i "testsrc=size=320x240" -frames:v 1 textures/loading.jpg ||
    fail "ffmpeg could not make the loading picture"

# Music plays through SDL's dummy output, so that Escape and the close request end a show with sound.
ffmpeg -loglevel error -f lavfi -i "sine=frequency=330:duration=70" -ac 2 -ar 44100 -b:a 96k tone.mp3 ||
    fail "ffmpeg could not make the music"
long_show='gl_fullscreen 0
g_demoname Varnel X11
snd_enable 1
snd_mp3file tone.mp3
[voidSection]
end 60
[eof]
'

echo "Escape ends the run"
start_player "$long_show"
window=$(window_of 'Varnel X11')
[ -n "$window" ] || fail "no window appeared"
[ -n "$window" ] && wait_for "the window's keyboard focus" focused "$window"
xdotool key Escape
wait_player
[ "$rc" = 0 ] || fail "Escape: exit status $rc, $(cat stderr.txt)"

echo "A close request ends the run"
start_player "$long_show"
window=$(window_of 'Varnel X11')
[ -n "$window" ] && wait_for "the window shown" viewable "$window"
"$x11_close" "$window" || fail "close request not sent"
wait_player
[ "$rc" = 0 ] || fail "close request: exit status $rc, $(cat stderr.txt)"

echo "Full screen at the size the display offers"
start_player 'gl_fullscreen 1
gl_width 640
gl_height 480
g_debug 1
[voidSection]
end 1.5
[cameraloc]
end 1.5
layer 1
[blackFadeOUT]
start 0.5
end 1.5
layer 2
[eof]
'
wait_player
[ "$rc" = 0 ] || fail "full screen 640x480: exit status $rc, $(cat stderr.txt)"

echo "Full screen at a size it does not offer"
start_player 'gl_fullscreen 1
gl_width 800
gl_height 600
[voidSection]
end 60
[eof]
'
# The message box shows after the window is gone; close it as a window manager would.
box=$(window_of Error)
[ -n "$box" ] || fail "no message box"
[ -z "$(find_window Varnel)" ] || fail "the window outlived the fatal error"
[ -n "$box" ] && wait_for "the message box shown" viewable "$box" && "$x11_close" "$box"
wait_player
[ "$rc" = 1 ] || fail "full screen 800x600: exit status $rc"
[ "$(cat stderr.txt)" = "Error: Error opening graphics mode" ] || fail "full screen 800x600: $(cat stderr.txt)"

echo "SIGTERM ends a run that waits on its message box, with 1"
start_player 'gl_fullscreen 1
gl_width 800
gl_height 600
[eof]
'
box=$(window_of Error)
[ -n "$box" ] && wait_for "the message box shown" viewable "$box"
kill -TERM "$pid"
wait_player
[ "$rc" = 1 ] || fail "SIGTERM at the message box: exit status $rc"

# A second display mode, so that a full-screen run really switches and must switch back.
xrandr --newmode 320x240 6.0 320 336 368 400 240 243 247 250 > /dev/null 2>&1
xrandr --addmode screen 320x240 || fail "Xvfb took no second mode"
small_show='gl_fullscreen 1
gl_width 320
gl_height 240
snd_enable 1
snd_mp3file tone.mp3
[voidSection]
end 60
[eof]
'

echo "SIGTERM ends a full-screen run through the shutdown"
start_player "$small_show"
wait_for "the switch to full screen 320x240" in_mode 320x240
kill -TERM "$pid"
wait_player
[ "$rc" = 0 ] || fail "SIGTERM: exit status $rc, $(cat stderr.txt)"
[ "$(current_mode)" = 640x480 ] || fail "SIGTERM left the display at $(current_mode)"

# Each ending signal ends a full-screen run through the shutdown, with 0; each crash signal ends it
# by that signal, as it would have without the player's handler, and the desktop has its mode back.
ulimit -c 0
for signal in HUP INT; do
    echo "SIG$signal ends a full-screen run through the shutdown"
    start_player "$small_show"
    window_of 'Varnel' > /dev/null
    sleep 0.5
    kill -"$signal" "$pid"
    wait_player
    [ "$rc" = 0 ] || fail "SIG$signal: exit status $rc, $(cat stderr.txt)"
    [ "$(current_mode)" = 640x480 ] || fail "SIG$signal left the display at $(current_mode)"
done
for signal in SEGV BUS FPE ILL ABRT; do
    echo "SIG$signal gives the desktop its mode back and ends the run by the signal"
    start_player "$small_show"
    window_of 'Varnel' > /dev/null
    sleep 0.5
    [ "$(current_mode)" = 320x240 ] || fail "SIG$signal: full screen runs in $(current_mode)"
    kill -"$signal" "$pid"
    wait_player
    [ "$rc" = $((128 + $(kill -l "$signal"))) ] || fail "SIG$signal: exit status $rc"
    [ "$(current_mode)" = 640x480 ] || fail "SIG$signal left the display at $(current_mode)"
done

echo "A corrupt JPEG ends a full-screen run with libjpeg's message, the desktop restored"
cp textures/loading.jpg good.jpg
printf 'XX' | dd of=textures/loading.jpg bs=1 conv=notrunc status=none
start_player "$small_show"
wait_player
[ "$rc" = 1 ] || fail "corrupt JPEG: exit status $rc"
[ "$(cat stderr.txt)" = "Not a JPEG file: starts with 0x58 0x58" ] || fail "corrupt JPEG: $(cat stderr.txt)"
[ "$(current_mode)" = 640x480 ] || fail "the corrupt JPEG left the display at $(current_mode)"
mv good.jpg textures/loading.jpg

[ "$failures" = 0 ] && echo "all passed"
exit "$failures"
