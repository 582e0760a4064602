#!/bin/bash
# ./run both ways: on a display the client's window opens there and ./run ends normally once it is
# closed; without a display ./run saves a picture of that window and says where.
# Runs on the build machine; it makes its own display, whichever one it was started on.
set -euo pipefail
cd "$(dirname "$0")/.."
prefix="$PWD/build/demo-prefix"

fail() {
    echo "FAIL: $*" >&2
    # What the window showed and what the client and the server said, for whoever reads the failure.
    if [[ -n "${window:-}" ]]; then
        mkdir -p build/screenshots
        import -window "$window" build/screenshots/failure.png 2>/dev/null &&
            echo "The window at the failure: build/screenshots/failure.png" >&2
    fi
    [[ -n "${dir:-}" && -f "$dir/display.log" ]] && sed 's/^/client: /' "$dir/display.log" >&2
    [[ -f build/demo-install/channel_server.log ]] && tail -n 30 build/demo-install/channel_server.log | sed 's/^/server: /' >&2
    WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
    exit 1
}

# Where things are in the client's window, in its own coordinates.
video_box=40x40+560+120       # a patch of the picture away from its texts
clock_box=240x50+360+280      # the channel's running clock
channel3=(80 230)
pause_button=(234 488)
stop_button=(272 488)
full_screen_button=(403 488)

# The average colour of a box of the window, as ImageMagick names it.
colour_of() { import -window "$window" png:- | convert - -crop "$1" -scale 1x1 -format '%[pixel:p{0,0}]' info:; }
# Waits up to 20 s, checking every half second, until the command succeeds.
within() {
    local deadline=$((SECONDS + 20))
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.5
    done
}
picture_moves() {
    local before
    before=$(import -window "$window" -crop "$clock_box" png:- | md5sum)
    sleep 0.5
    [[ "$(import -window "$window" -crop "$clock_box" png:- | md5sum)" != "$before" ]]
}
picture_stands() { ! picture_moves; }
shows_other_than() { [[ "$(colour_of "$video_box")" != "$1" ]]; }
# The channels whose swarms have a viewer, as the demo server counts them.
watched_channels_are() {
    [[ "$(curl -s http://127.0.0.1:8088/swarm | awk '$2 != "viewers=0" { printf "%s ", $1 }')" == "$1" ]]
}
click() { xdotool mousemove --window "$window" "$1" "$2" click "${3:-1}"; }
shot() { import -window "${2:-$window}" "$shots/$1.png"; }
# The right middle of the screen, outside the window, shows the picture only in full screen.
full_screen_shown() {
    [[ "$(import -window root png:- | convert - -crop 20x20+1250+500 -scale 1x1 -format '%[pixel:p{0,0}]' info:)" \
        == "$playing_colour" ]]
}

# Live television as a user sees it, through the real window and the channels' swarms: the picture of
# channel 0 moves, a double click brings another channel's picture and moves the viewer to its swarm, full screen covers the screen until Esc, pause
# freezes the picture, stop brings the idle picture. Screenshots of each step go to build/screenshots.
shots=build/screenshots
watch_television() {
    mkdir -p "$shots"
    within picture_moves || fail "channel 0's picture does not move"
    shot channel0
    local channel0
    channel0=$(colour_of "$video_box")
    xdotool mousemove --window "$window" "${channel3[@]}" click --repeat 2 --delay 80 1
    within shows_other_than "$channel0" || fail "a double click on channel 3 does not show another picture"
    within watched_channels_are "104 " || fail "the swarms watched on the server are not just channel 3's"
    within picture_moves || fail "channel 3's picture does not move"
    local playing_colour
    playing_colour=$(colour_of "$video_box")
    [[ "$playing_colour" != "$channel0" ]] || fail "channel 3 shows channel 0's colour"
    shot channel3
    click "${full_screen_button[@]}"
    within full_screen_shown || fail "full screen does not cover the screen"
    shot full_screen root
    xdotool key Escape
    within eval '! full_screen_shown' || fail "Esc does not leave full screen"
    click "${pause_button[@]}"
    within picture_stands || fail "pause does not freeze the picture"
    shot paused
    click "${stop_button[@]}"
    within shows_other_than "$playing_colour" || fail "stop does not bring the idle picture"
    within watched_channels_are "" || fail "a swarm still has its viewer after stop"
    shot stopped
}

# Started again inside a virtual X server: runs ./run there, watches television and leaves the
# window's size in DIR.
if [[ "${1:-}" == --on-display ]]; then
    dir=$2
    ./run >"$dir/display.log" 2>&1 &
    run=$!
    if ! window=$(tools/wait-window $run '^Kalda'); then
        cat "$dir/display.log"
        fail "./run showed no window on the display"
    fi
    xdotool getwindowgeometry --shell "$window" | grep -E '^(WIDTH|HEIGHT)=' >"$dir/window"
    watch_television
    tools/close-client $run "$prefix" "$(tools/wine-arch)"
    status=0
    wait $run || status=$?
    cat "$dir/display.log"
    ((status == 0)) || fail "./run ended with code $status when the window was closed"
    WINEPREFIX="$prefix" /usr/lib/wine/wineserver -w
    exit 0
fi

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

tools/xvfb "$0" --on-display "$dir"
source "$dir/window"

status=0
env -u DISPLAY ./run >"$dir/headless.log" 2>&1 || status=$?
cat "$dir/headless.log"
((status == 0)) || fail "./run without a display ended with code $status"
screenshot=$(sed -n "s/^Screenshot of the client's window: //p" "$dir/headless.log")
[[ -f "$screenshot" ]] || fail "./run without a display named no screenshot that exists"
size=$(identify -format '%wx%h' "$screenshot")
[[ "$size" == "${WIDTH}x${HEIGHT}" ]] || fail "the screenshot is $size, the window ${WIDTH}x${HEIGHT}"
# The skin alone has far more colours than a blank or half-drawn window.
colours=$(identify -format '%k' "$screenshot")
((colours > 256)) || fail "the screenshot has only $colours colours"
echo "The window (${WIDTH}x${HEIGHT}) showed on a display; without one the screenshot has it, in $colours colours."
