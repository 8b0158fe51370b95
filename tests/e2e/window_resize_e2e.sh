#!/usr/bin/env bash
# Starts the real program on a virtual 1920×1080 screen, sets the launch
# speed so low that the run never ends by itself, and during the run resizes
# the window smaller and back, and hides and shows it as minimising does
# (there is no window manager, so the window is unmapped and mapped again).
# After each, the program must still be alive, the run still drawing and the
# curve still there, also where the window had been cut off.
# Usage: window_resize_e2e.sh path/to/zorva [folder for screenshots]
set -euo pipefail
zorva=$1
out=${2:-$(mktemp -d)}
mkdir -p "$out"

# shellcheck source=start_zorva.sh
source "$(dirname "$0")/start_zorva.sh" 141 190
sleep 1

fail=0
check_dark() { # shot name x y
    local v; v=$(darkest "$1" "$3" "$4")
    if awk -v v="$v" 'BEGIN { exit !(v < 0.35) }'; then echo "ok: $2 dark at ($3,$4)"; else echo "FAIL: $2 not drawn at ($3,$4): $v"; fail=1; fi
}
alive() {
    if kill -0 "$app" 2>/dev/null; then echo "ok: alive $1"; else echo "FAIL: the program died $1"; fail=1; exit 1; fi
}
# Two screenshots half a second apart must differ within the window's
# width × height: the body keeps moving.
still_drawing() { # name width height
    import -window root "$out/$1-a.png"
    sleep 0.5
    import -window root "$out/$1-b.png"
    convert "$out/$1-a.png" -crop "$2x$3+0+0" +repage "$out/$1-a-window.png"
    convert "$out/$1-b.png" -crop "$2x$3+0+0" +repage "$out/$1-b-window.png"
    local changed
    changed=$(compare -metric AE "$out/$1-a-window.png" "$out/$1-b-window.png" null: 2>&1 || true)
    if [[ "$changed" =~ ^[0-9]+$ ]] && [ "$changed" -gt 0 ]; then
        echo "ok: $1: still drawing ($changed pixels changed)"
    else
        echo "FAIL: $1: the picture stands still ($changed)"; fail=1
    fi
}
# "Time on" is the first button of the row along the top edge. (Waiting
# for the pointer to arrive would wait for ever when it is already there.)
# The window's size as the X server has it.
check_size() { # width height
    local size
    size=$(xdotool getwindowgeometry "$window" | sed -n 's/^ *Geometry: //p')
    if [ "$size" = "$1x$2" ]; then echo "ok: window is $size"; else echo "FAIL: window is $size, not $1x$2"; fail=1; fi
}
map_state() { xwininfo -id "$window" | sed -n 's/^ *Map State: //p'; }
time_on() { xdotool mousemove 40 12 sleep 0.1 click 1; }

# Scale 1 on 1920×1080: 15000 px per metre, origin at (384, 864). The
# launch-speed bar is the fourth row, 48 px from the left; fifteen clicks on
# its left arrow take it from 20 to 5.
xdotool mousemove --sync 53 87 click --repeat 15 --delay 40 1
sleep 0.5

# Each round starts the run afresh at the start point, where it can be seen.
time_on
sleep 0.3
xdotool windowsize --sync "$window" 1600 900 || xdotool windowsize "$window" 1600 900
sleep 0.7
check_size 1600 900
alive "after shrinking to 1600x900"
still_drawing shrunk 1600 900
check_dark "$out/shrunk-b.png" "curve at x=0.01" 534 313
check_dark "$out/shrunk-b.png" "curve at x=0.03" 834 543

time_on
sleep 0.3
xdotool windowunmap --sync "$window"
sleep 0.7
state=$(map_state)
if [ "$state" = "IsUnMapped" ]; then echo "ok: hidden"; else echo "FAIL: not hidden: $state"; fail=1; fi
alive "while hidden"
xdotool windowmap --sync "$window"
sleep 0.7
state=$(map_state)
if [ "$state" = "IsViewable" ]; then echo "ok: shown again"; else echo "FAIL: not shown: $state"; fail=1; fi
alive "after showing again"
still_drawing shown 1600 900
check_dark "$out/shown-b.png" "curve at x=0.03" 834 543

time_on
sleep 0.3
xdotool windowsize --sync "$window" 1920 1080 || xdotool windowsize "$window" 1920 1080
sleep 0.7
check_size 1920 1080
alive "after growing back to 1920x1080"
still_drawing regrown 1920 1080
check_dark "$out/regrown-b.png" "curve at x=0.03" 834 543
# Below the 900 rows the smaller window showed.
check_dark "$out/regrown-b.png" "curve at x=0.075" 1509 916
exit $fail
