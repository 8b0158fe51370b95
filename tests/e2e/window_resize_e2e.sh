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
source "$(dirname "$0")/start_zorva.sh"

see_dark() { # shot-name name x y: waits for it on the screen, then keeps a shot
    wait_for "the $2 to be drawn at ($3,$4)" 20 dark_at "$3" "$4"
    echo "ok: $2 dark at ($3,$4)"
    shot "$1"
}
# The body keeps moving: the window's width × height changes on the screen.
still_drawing() { # name width height
    grab "$1-a" "$2x$3+0+0"
    wait_for "the run to go on drawing in the ${2}x$3 window ($1)" 20 changed "$1-a" "$1-b" "$2x$3+0+0"
    echo "ok: $1: still drawing"
}
size_is() { # width height: the window's size as the X server has it
    local size
    size=$(xdotool getwindowgeometry "$window" | sed -n 's/^ *Geometry: //p')
    seen="$size"
    [ "$size" = "$1x$2" ]
}
resize() { # width height
    xdotool windowsize "$window" "$1" "$2"
    wait_for "the window to become $1x$2" 20 size_is "$1" "$2"
    echo "ok: window is $1x$2"
}
map_state_is() { seen=$(xwininfo -id "$window" | sed -n 's/^ *Map State: //p'); [ "$seen" = "$1" ]; }
alive() {
    if kill -0 "$app" 2>/dev/null; then echo "ok: alive $1"; else echo "FAIL: the program died $1"; exit 1; fi
}
# "Time on" is the first button of the row along the top edge. The X server
# takes the pointer's move and the click in that order, so the click lands
# on the button, and the program sees it before any later request of ours.
time_on() { xdotool mousemove 40 12 click 1; }

# Scale 1 on 1920×1080: 15000 px per metre, origin at (384, 864).
see_dark start "curve at x=0.03" 834 543
# The launch-speed bar is the fourth row, 48 px from the left; fifteen
# clicks on its left arrow take it from 20 to 5. The program takes them
# before the "Time on" that follows; the bar moving shows they arrive.
grab poltax-20 400x25+0+75
xdotool mousemove 53 87 click --repeat 15 --delay 40 1
wait_for "the launch-speed bar to move" 20 changed poltax-20 poltax-5 400x25+0+75

# Each round starts the run afresh at the start point, where it can be seen.
time_on
resize 1600 900
alive "after shrinking to 1600x900"
still_drawing shrunk 1600 900
see_dark shrunk "curve at x=0.01" 534 313
see_dark shrunk "curve at x=0.03" 834 543

time_on
xdotool windowunmap "$window"
wait_for "the window to be hidden" 20 map_state_is IsUnMapped
echo "ok: hidden"
alive "while hidden"
xdotool windowmap "$window"
wait_for "the window to be shown again" 20 map_state_is IsViewable
echo "ok: shown again"
alive "after showing again"
still_drawing shown 1600 900
# A window shown again starts white (the root's colour shows through until
# the program paints), so this needs a repaint of the whole drawing.
see_dark shown "curve at x=0.03" 834 543

time_on
resize 1920 1080
alive "after growing back to 1920x1080"
still_drawing regrown 1920 1080
see_dark regrown "curve at x=0.03" 834 543
# Below the 900 rows the smaller window showed, white until repainted.
see_dark regrown "curve at x=0.075" 1509 916
