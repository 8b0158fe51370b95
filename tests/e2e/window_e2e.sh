#!/usr/bin/env bash
# Starts the real program on a virtual 1920×1080 screen, checks that the
# window "ZORVA" appears with the curve where the world frame puts it, then
# presses "Time on" and checks that the run stops by itself at the summit.
# Usage: window_e2e.sh path/to/zorva [folder for screenshots]
set -euo pipefail
zorva=$1
out=${2:-$(mktemp -d)}
mkdir -p "$out"

# shellcheck source=start_zorva.sh
source "$(dirname "$0")/start_zorva.sh"
echo "window $window"

# Is the colour at (x, y) within 40 levels of r,g,b anywhere in a 9×9 square?
has_colour() {
    convert "$1" -crop "9x9+$(($2 - 4))+$(($3 - 4))" txt:- |
        sed -n 's/^[^(]*(\([0-9]*\),\([0-9]*\),\([0-9]*\)).*/\1 \2 \3/p' |
        awk -v r="$4" -v g="$5" -v b="$6" '{ if (($1-r)^2 < 1600 && ($2-g)^2 < 1600 && ($3-b)^2 < 1600) found=1 } END { exit found ? 0 : 1 }'
}
# For wait_for: the same on the screen as it is now.
has_colour_now() { # x y r g b
    grab probe "9x9+$(($1 - 4))+$(($2 - 4))"
    has_colour "$out/probe.png" 4 4 "$3" "$4" "$5"
}
fail=0
check_white() {
    local v; v=$(darkest "$shot" "$2" "$3")
    if awk -v v="$v" 'BEGIN { exit !(v > 0.95) }'; then echo "ok: $1 white at ($2,$3)"; else echo "FAIL: $1 not white at ($2,$3): $v"; fail=1; fi
}
see_dark() { # name x y
    wait_for "the $1 to be drawn at ($2,$3)" 30 dark_at "$2" "$3"
    echo "ok: $1 dark at ($2,$3)"
}

# Scale 1 on 1920×1080: 15000 px per metre, origin at (384, 864). The first
# frame is drawn in one piece, so once these show it is all there.
see_dark "curve at x=0.01" 534 313
see_dark "curve at x=0.03" 834 543
see_dark "curve at x=0.05" 1134 723
see_dark "vertical axis" 384 400
shot startup
shot="$out/startup.png"
check_white "background above the curve" 1500 300

# "Time on" is the first button of the row along the top edge. The X server
# takes the pointer's move and the click in that order (so no waiting for
# the pointer, which would never end were it already there). The run
# draws the legend arrows: total force (black, row 19) and velocity (dark
# red, row 15).
xdotool mousemove 40 12 click 1
wait_for "the force legend of the run" 20 has_colour_now 700 43 0 0 0
echo "ok: force legend"
wait_for "the velocity legend of the run" 20 has_colour_now 700 216 200 0 0
echo "ok: velocity legend"
# The body's trace turns the curve blue; near the summit, at x=0.003, only
# once the body has nearly arrived.
wait_for "the body's trace to reach the summit" 60 has_colour_now 429 195 0 0 255
echo "ok: the body reached the summit"
# There the run stops by itself, and the picture stands still. A run still
# going changes it many times a second, however busy the machine.
wait_for "the run to stop by itself (the screen to stand still for 2 s)" 60 still run 1920x1080+0+0 2
echo "ok: the run stopped by itself"
shot run
if kill -0 "$app" 2>/dev/null; then echo "ok: still running"; else echo "FAIL: the program died"; fail=1; fi
exit $fail
