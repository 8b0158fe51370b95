# Sourced by the end-to-end scripts: starts a virtual 1920×1080 screen on a
# free display between $1 and $2, starts the program ($zorva) on it and waits
# for its window. Sets DISPLAY, app (the program's process) and window (its X
# window); both are stopped when the script exits. Also defines darkest.
display=""
for n in $(seq "$1" "$2"); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "no free X display"; exit 1; }

Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
app=""
manager=""
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null || true
    [ -n "$manager" ] && kill "$manager" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    wait 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
if [ -n "${window_manager:-}" ]; then
    "$window_manager" >/dev/null 2>&1 &
    manager=$!
    for _ in $(seq 50); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        sleep 0.1
    done
fi

QT_QPA_PLATFORM=xcb "$zorva" &
app=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^ZORVA$' | head -n1)
[ -n "$window" ] || { echo "FAIL: no window named ZORVA"; exit 1; }

# Darkest grey level (0 black .. 1 white) in a 7×7 square around pixel (x, y)
# of a screenshot: darkest FILE X Y.
darkest() { convert "$1" -crop "7x7+$(($2 - 3))+$(($3 - 3))" -colorspace gray -format '%[fx:minima]' info:; }
