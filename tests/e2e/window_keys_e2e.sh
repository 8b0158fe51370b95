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

window_manager=openbox
# shellcheck source=start_zorva.sh
source "$(dirname "$0")/start_zorva.sh"

fail=0
pass() { echo "ok: $1"; }
flunk() { echo "FAIL: $1"; fail=1; }

client_size() { xwininfo -id "$window" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w, h }'; }
# For wait_for: the window manager has framed the window (the frame's
# extents left, right, top, bottom) and the program has made its client area
# so much smaller that both together are the screen.
fills_screen() {
    local frame
    frame=$(xprop -id "$window" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ' ')
    IFS=, read -r fl fr ft fb <<<"$frame"
    read -r cw ch < <(client_size)
    read -r cx cy < <(xwininfo -id "$window" | awk '/Absolute upper-left X:/ { x = $4 } /Absolute upper-left Y:/ { y = $4 } END { print x, y }')
    seen="frame $frame, client ${cw}x$ch at $cx,$cy"
    [ -n "$frame" ] && [ "${ft:-0}" -gt 0 ] &&
        [ $((cw + fl + fr)) -eq 1920 ] && [ $((ch + ft + fb)) -eq 1080 ]
}
has_focus() { seen="focus on $(xdotool getwindowfocus 2>/dev/null)"; [ "$seen" = "focus on $window" ]; }

wait_for "the window manager to frame the window, frame and client area filling the screen" 30 fills_screen
echo "$seen"
pass "the window manager framed the window"
pass "frame and client area fill the screen"
# Keys go to the window that has the focus; the program sees that it has it
# before any key pressed after this.
wait_for "the window to have the keyboard focus" 30 has_focus

# A rectangle of the client area, in client pixels: at W H LEFT TOP.
at() { echo "$1x$2+$((cx + $3))+$((cy + $4))"; }
see_dark() { # name x y, in client pixels
    wait_for "the $1 to be drawn at ($2,$3) of the client area" 30 dark_at $((cx + $2)) $((cy + $3))
    pass "$1 at ($2,$3)"
}

# The origin lies 20 % of the client width from the left and 20 % of its
# height above the bottom.
see_dark "vertical axis" $((cw / 5)) $((ch / 2))
see_dark "horizontal axis" $((cw * 7 / 10)) $((ch * 4 / 5))
shot start

# Rows of the bars (25 px each, under the buttons): klimax, vimaxrono, POLTAX;
# the time-step readout beside its bar; the drawing below the controls.
poltax_row=$(at 400 25 0 75)
vimaxrono_row=$(at 400 25 0 50)
vimaxrono_readout=$(at 200 25 $((cw * 9 / 40)) 50)
drawing=$(at "$cw" $((ch - 160)) 0 160)

# "Time on" has the focus; Tab passes STOP and step to the launch-speed bar.
grab poltax-start "$poltax_row"
xdotool key --delay 80 Tab Tab Tab
wait_for "the launch-speed bar to show that it has the focus" 20 changed poltax-start poltax-focused "$poltax_row"
pass "the bar shows its focus"
grab drawing-focused "$drawing"
xdotool key End
wait_for "End to move the launch-speed bar" 20 changed poltax-focused poltax-end "$poltax_row"
pass "End moved the bar"
wait_for "the bar's change to redraw the picture" 20 changed drawing-focused drawing-end "$drawing"
pass "the bar's change redrew the picture"
shot poltax-end
# Home to 1, two large changes of 10 to 21, one small change back to 20:
# the bar as it was, and only the last of the four is.
xdotool key --delay 80 Home Next Next Left
wait_for "Home, Page Down twice and Left to bring the bar back to 20" 20 matches poltax-focused poltax-back "$poltax_row"
pass "Home, Page Down twice and Left came back to 20"

# Then CONTINUE, then the time-step bar; its readout changes only with its
# value.
grab vimaxrono-start "$vimaxrono_row"
grab readout-start "$vimaxrono_readout"
xdotool key --delay 80 Tab Tab End
wait_for "End to move the time-step bar (its readout to change)" 20 changed readout-start readout-end "$vimaxrono_readout"
grab vimaxrono-end "$vimaxrono_row"
same vimaxrono-start vimaxrono-end && flunk "the time-step bar did not move" || pass "Tab reached the time-step bar"

# The program takes events in order: once a key pressed after a click shows
# on the screen, the click has been handled and its own drawing shown.
handled() { # name: presses Left on the time-step bar and waits for its readout
    grab "before-$1" "$vimaxrono_readout"
    xdotool key Left
    wait_for "the time-step bar to take Left after $1" 20 changed "before-$1" "after-$1" "$vimaxrono_readout"
}
# A click on the launch-speed readout past its text leaves the picture alone;
# the same click on the drawing clears it and redraws the curve.
grab drawing-before-clicks "$drawing"
xdotool mousemove $((cx + cw / 2 + 50)) $((cy + 75 + 12)) click 1
handled "the click on the readout"
grab readout-clicked "$drawing"
same drawing-before-clicks readout-clicked && pass "a click on the readout stays there" || flunk "a click on the readout reached the drawing"
xdotool mousemove $((cx + cw / 2 + 50)) $((cy + 300)) click 1
wait_for "a click on the drawing to redraw it" 20 changed readout-clicked drawing-clicked "$drawing"
pass "a click on the drawing redraws it"
shot drawing-clicked

# The window manager makes the client area smaller, as a user dragging the
# frame would: a resize like any other, the drawing keeping its corner and
# scale, so the vertical axis stays where it was.
size_is() { read -r nw nh < <(client_size); seen="client area ${nw}x$nh"; [ "$nw" -eq "$1" ] && [ "$nh" -eq "$2" ]; }
xdotool windowsize "$window" 1200 700
wait_for "the window manager to resize the client area to 1200x700" 20 size_is 1200 700
pass "the window manager resized the client area"
# The drawing after the resize may look as before, so a later key shows
# that it is on the screen.
handled "the resize"
shot resized
v=$(darkest "$out/resized.png" $((cx + cw / 5)) $((cy + 300)))
is_dark "$v" && pass "the axis stayed in place" || flunk "no axis at its place after the resize: $v"

kill -0 "$app" 2>/dev/null && pass "still running" || flunk "the program died"
exit $fail
