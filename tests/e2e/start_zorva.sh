# shellcheck shell=bash
# Sourced by the end-to-end scripts: starts a virtual 1920×1080 screen on a
# free display, the window manager named by $window_manager if the script
# set one, and the program ($zorva), waiting for each in turn and then for
# the program's window. Sets DISPLAY, app (the program's process) and window
# (its X window); all are stopped when the script exits. Also defines the
# helpers below for waiting on the screen; their pictures go to $out.
#
# Nothing here waits for a fixed time: a machine shared with other work can
# be many times slower than an idle one, so each wait polls for what it
# needs against a generous deadline, and one that is never met fails the
# test with a line saying what did not come.

: "${zorva:?the program to start}" "${out:?the folder for screenshots}"
for tool in Xvfb xdpyinfo xdotool xprop xwininfo import convert identify ${window_manager:-}; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

# The server picks a free display itself and writes its number once it
# listens: a number chosen here could be taken by another test between the
# choice and the server's start, and that server would answer in its place.
# A white root: where the program has not painted, the screen is white, so
# no probe for a dark line can pass on what lies beneath the window.
display=""
display_file="$out/display.txt"
rm -f "$display_file"
Xvfb -displayfd 3 -wr -screen 0 1920x1080x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
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

now_us() { local t=${EPOCHREALTIME/[.,]/}; echo "$t"; }

# wait_for WHAT SECONDS COMMAND [ARGUMENT...]: runs the command in this shell
# every tenth of a second until it succeeds. Fails the test with one line
# when SECONDS pass first, or at once when the X server, the window manager
# or the program has gone. The command may put what it last saw in $seen,
# which the line then shows.
wait_for() {
    local what=$1 seconds=$2
    shift 2
    local deadline=$(($(now_us) + seconds * 1000000))
    seen=""
    until "$@"; do
        kill -0 "$xvfb" 2>/dev/null || { echo "FAIL: the X server${display:+ on $display} exited while waiting for $what"; exit 1; }
        if [ -n "$manager" ] && ! kill -0 "$manager" 2>/dev/null; then
            echo "FAIL: the window manager exited while waiting for $what"; exit 1
        fi
        if [ -n "$app" ] && ! kill -0 "$app" 2>/dev/null; then
            echo "FAIL: the program exited while waiting for $what"; exit 1
        fi
        if [ "$(now_us)" -ge "$deadline" ]; then
            echo "FAIL: waited $seconds s for $what${seen:+ (last seen: $seen)}"; exit 1
        fi
        sleep 0.1
    done
}

# The number comes as one line; a part of it is no number yet.
x_listens() {
    local n
    read -r n <"$display_file" 2>/dev/null && [ -n "$n" ] || return 1
    display=":$n"
    export DISPLAY=$display
    xdpyinfo >/dev/null 2>&1
}
manager_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
window_shown() {
    window=$(xdotool search --onlyvisible --name '^ZORVA$' 2>/dev/null | head -n1)
    [ -n "$window" ]
}

wait_for "the X server to start" 30 x_listens
if [ -n "${window_manager:-}" ]; then
    "$window_manager" >/dev/null 2>&1 &
    manager=$!
    wait_for "the window manager ($window_manager) to start" 30 manager_running
fi
QT_QPA_PLATFORM=xcb "$zorva" &
app=$!
wait_for "the program's window named ZORVA to be shown" 30 window_shown

# grab NAME GEOMETRY: saves the screen's rectangle GEOMETRY (WxH+X+Y) as
# $out/NAME.png; shot NAME saves the whole screen.
grab() { import -silent -window root -crop "$2" +repage "$out/$1.png"; }
shot() { import -silent -window root "$out/$1.png"; }
# Whether two saved pictures have the same pixels (metadata aside).
same() { [ "$(identify -format '%#' "$out/$1.png")" = "$(identify -format '%#' "$out/$2.png")" ]; }
# For wait_for: grabs GEOMETRY as NEW and succeeds when it differs from, or
# matches, the earlier grab REF.
changed() { grab "$2" "$3" && ! same "$1" "$2"; }
matches() { grab "$2" "$3" && same "$1" "$2"; }

# Darkest grey level (0 black .. 1 white) in a 7×7 square around pixel (x, y)
# of a screenshot: darkest FILE X Y.
darkest() { convert "$1" -crop "7x7+$(($2 - 3))+$(($3 - 3))" -colorspace gray -format '%[fx:minima]' info:; }
is_dark() { awk -v v="$1" 'BEGIN { exit !(v < 0.35) }'; }
# For wait_for: whether the screen is dark (a line drawn) near pixel (x, y).
dark_at() {
    local v
    v=$(import -silent -window root -crop "7x7+$(($1 - 3))+$(($2 - 3))" +repage \
        -colorspace gray -format '%[fx:minima]' info:)
    seen="grey level $v at ($1,$2)"
    is_dark "$v"
}
# For wait_for: whether the screen in GEOMETRY has stood still for SECONDS,
# going by grabs NAME-*.png. The state is kept between calls; still_reset
# starts afresh.
still_since=""
still_reset() { still_since=""; }
still() { # name geometry seconds
    grab "$1-now" "$2"
    if [ -n "$still_since" ] && same "$1-now" "$1-last"; then
        [ $(($(now_us) - still_since)) -ge $(($3 * 1000000)) ]
        return
    fi
    mv "$out/$1-now.png" "$out/$1-last.png"
    still_since=$(now_us)
    seen="still changing"
    return 1
}
