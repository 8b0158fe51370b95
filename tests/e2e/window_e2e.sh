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
source "$(dirname "$0")/start_zorva.sh" 90 140
echo "window $window"
sleep 1

# Is the colour at (x, y) within 40 levels of r,g,b anywhere in a 9×9 square?
has_colour() {
    convert "$1" -crop "9x9+$(($2 - 4))+$(($3 - 4))" txt:- |
        sed -n 's/^[^(]*(\([0-9]*\),\([0-9]*\),\([0-9]*\)).*/\1 \2 \3/p' |
        awk -v r="$4" -v g="$5" -v b="$6" '{ if (($1-r)^2 < 1600 && ($2-g)^2 < 1600 && ($3-b)^2 < 1600) found=1 } END { exit found ? 0 : 1 }'
}
fail=0
check_dark() { # name x y
    local v; v=$(darkest "$shot" "$2" "$3")
    if awk -v v="$v" 'BEGIN { exit !(v < 0.35) }'; then echo "ok: $1 dark at ($2,$3)"; else echo "FAIL: $1 not drawn at ($2,$3): $v"; fail=1; fi
}
check_white() {
    local v; v=$(darkest "$shot" "$2" "$3")
    if awk -v v="$v" 'BEGIN { exit !(v > 0.95) }'; then echo "ok: $1 white at ($2,$3)"; else echo "FAIL: $1 not white at ($2,$3): $v"; fail=1; fi
}

shot="$out/startup.png"
import -window root "$shot"
# Scale 1 on 1920×1080: 15000 px per metre, origin at (384, 864).
check_dark "curve at x=0.01" 534 313
check_dark "curve at x=0.03" 834 543
check_dark "curve at x=0.05" 1134 723
check_dark "vertical axis" 384 400
check_white "background above the curve" 1500 300

# "Time on" is the first button of the row along the top edge.
xdotool mousemove --sync 40 12 click 1
sleep 4
shot="$out/run.png"
import -window root "$shot"
# The run has stopped by itself at the summit: the picture no longer changes.
sleep 1
import -window root "$out/later.png"
changed=$(compare -metric AE "$shot" "$out/later.png" null: 2>&1 || true)
if [ "$changed" = "0" ]; then echo "ok: the run stopped by itself"; else echo "FAIL: still drawing ($changed pixels changed)"; fail=1; fi
# Legend arrows: total force (black, row 19) and velocity (dark red, row 15).
if has_colour "$shot" 700 43 0 0 0; then echo "ok: force legend"; else echo "FAIL: no force legend"; fail=1; fi
if has_colour "$shot" 700 216 200 0 0; then echo "ok: velocity legend"; else echo "FAIL: no velocity legend"; fail=1; fi
if kill -0 "$app" 2>/dev/null; then echo "ok: still running"; else echo "FAIL: the program died"; fail=1; fi
exit $fail
