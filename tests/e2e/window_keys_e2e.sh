#!/usr/bin/env bash
# The real program under a window manager on a virtual 1920×1080 screen:
# the frame and client area together are the screen, the drawing's origin is
# where the client area puts it, Tab visits the controls in their designed
# order, the keys move a bar as its arrows and track would, and a click on a
# readout past its text does not reach the drawing.
# Usage: window_keys_e2e.sh path/to/zorva [folder for screenshots]
set -euo pipefail
zorva=$1
out=${2:-$(mktemp -d)}
mkdir -p "$out"
command -v openbox >/dev/null || { echo "SKIP: openbox is not installed"; exit 77; }

window_manager=openbox
# shellcheck source=start_zorva.sh
source "$(dirname "$0")/start_zorva.sh" 191 240
sleep 1.5

fail=0
pass() { echo "ok: $1"; }
flunk() { echo "FAIL: $1"; fail=1; }

# The frame's extents (left, right, top, bottom) and the client area's size.
frame=$(xprop -id "$window" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ' ')
IFS=, read -r fl fr ft fb <<<"$frame"
read -r cw ch < <(xwininfo -id "$window" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w, h }')
read -r cx cy < <(xwininfo -id "$window" | awk '/Absolute upper-left X:/ { x = $4 } /Absolute upper-left Y:/ { y = $4 } END { print x, y }')
echo "frame $frame, client ${cw}x${ch} at $cx,$cy"
[ "$ft" -gt 0 ] && pass "the window manager framed the window" || flunk "no frame round the window"
if [ $((cw + fl + fr)) -eq 1920 ] && [ $((ch + ft + fb)) -eq 1080 ]; then
    pass "frame and client area fill the screen"
else
    flunk "outer size is $((cw + fl + fr))x$((ch + ft + fb)), not the screen's 1920x1080"
fi

shot() { import -window root "$out/$1.png"; }
# Pixels that differ between two shots within a rectangle of the client area.
differ() { # a b width height left top
    local area="$3x$4+$((cx + $5))+$((cy + $6))"
    convert "$out/$1.png" -crop "$area" +repage "$out/crop-a.png"
    convert "$out/$2.png" -crop "$area" +repage "$out/crop-b.png"
    compare -metric AE "$out/crop-a.png" "$out/crop-b.png" null: 2>&1 || true
}
check_dark() { # name x y, in client pixels
    local v; v=$(darkest "$out/start.png" $((cx + $2)) $((cy + $3)))
    if awk -v v="$v" 'BEGIN { exit !(v < 0.35) }'; then pass "$1 at ($2,$3)"; else flunk "$1 not at ($2,$3): $v"; fi
}

shot start
# The origin lies 20 % of the client width from the left and 20 % of its
# height above the bottom.
check_dark "vertical axis" $((cw / 5)) $((ch / 2))
check_dark "horizontal axis" $((cw * 7 / 10)) $((ch * 4 / 5))

# Rows of the bars (25 px each, under the buttons): klimax, vimaxrono, POLTAX.
row_poltax=75
row_vimaxrono=50
drawing_top=160

# "Time on" has the focus; Tab passes STOP and step to the launch-speed bar.
xdotool key --delay 80 Tab Tab Tab
sleep 0.3; shot poltax-focused
[ "$(differ start poltax-focused 400 25 0 $row_poltax)" != "0" ] && pass "the bar shows its focus" || flunk "no focus frame on the launch-speed bar"
xdotool key End
sleep 0.3; shot poltax-end
[ "$(differ poltax-focused poltax-end 400 25 0 $row_poltax)" != "0" ] && pass "End moved the bar" || flunk "End did not move the launch-speed bar"
[ "$(differ poltax-focused poltax-end 1200 600 0 $drawing_top)" != "0" ] && pass "the bar's change redrew the picture" || flunk "the bar's change did not reach the drawing"
# Home to 1, two large changes of 10 to 21, one small change back to 20.
xdotool key --delay 80 Home Next Next Left
sleep 0.3; shot poltax-back
[ "$(differ poltax-focused poltax-back 400 25 0 $row_poltax)" = "0" ] && pass "Home, Page Down twice and Left came back to 20" || flunk "the keys did not bring the bar back to 20"

# Then CONTINUE, then the time-step bar.
xdotool key --delay 80 Tab Tab End
sleep 0.3; shot vimaxrono-end
[ "$(differ poltax-back vimaxrono-end 400 25 0 $row_vimaxrono)" != "0" ] && pass "Tab reached the time-step bar" || flunk "the time-step bar did not move"

# A click on the launch-speed readout past its text leaves the picture alone;
# the same click on the drawing clears it and redraws the curve.
xdotool mousemove $((cx + cw / 2 + 50)) $((cy + row_poltax + 12)) click 1
sleep 0.4; shot readout-clicked
[ "$(differ vimaxrono-end readout-clicked "$cw" $((ch - drawing_top)) 0 $drawing_top)" = "0" ] && pass "a click on the readout stays there" || flunk "a click on the readout reached the drawing"
xdotool mousemove $((cx + cw / 2 + 50)) $((cy + 300)) click 1
sleep 0.4; shot drawing-clicked
[ "$(differ readout-clicked drawing-clicked "$cw" $((ch - drawing_top)) 0 $drawing_top)" != "0" ] && pass "a click on the drawing redraws it" || flunk "a click on the drawing changed nothing"

# The window manager makes the client area smaller, as a user dragging the
# frame would: a resize like any other, the drawing keeping its corner and
# scale, so the vertical axis stays where it was.
xdotool windowsize "$window" 1200 700
sleep 0.8
read -r nw nh < <(xwininfo -id "$window" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w, h }')
[ "$nw" -eq 1200 ] && [ "$nh" -eq 700 ] && pass "the window manager resized the client area" || flunk "client area is ${nw}x${nh}"
shot resized
v=$(darkest "$out/resized.png" $((cx + cw / 5)) $((cy + 300)))
awk -v v="$v" 'BEGIN { exit !(v < 0.35) }' && pass "the axis stayed in place" || flunk "no axis at its place after the resize: $v"

kill -0 "$app" 2>/dev/null && pass "still running" || flunk "the program died"
exit $fail
