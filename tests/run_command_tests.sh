#!/bin/bash
# ./run both ways: on a display the client's window opens there and ./run ends normally once it is
# closed; without a display ./run saves a picture of that window and says where.
# Runs on the build machine; it makes its own display, whichever one it was started on.
set -euo pipefail
cd "$(dirname "$0")/.."
prefix="$PWD/build/demo-prefix"

fail() {
    echo "FAIL: $*" >&2
    WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
    exit 1
}

# Started again inside a virtual X server: runs ./run there and leaves the window's size in DIR.
if [[ "${1:-}" == --on-display ]]; then
    dir=$2
    ./run >"$dir/display.log" 2>&1 &
    run=$!
    if ! window=$(tools/wait-window $run '^Kalda'); then
        cat "$dir/display.log"
        fail "./run showed no window on the display"
    fi
    xdotool getwindowgeometry --shell "$window" | grep -E '^(WIDTH|HEIGHT)=' >"$dir/window"
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
