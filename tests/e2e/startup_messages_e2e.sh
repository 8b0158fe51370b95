#!/usr/bin/env bash
# What the program says when it cannot show what it should: one line and
# status 1 without a display, whether none is set or none answers; one
# warning, and the run done all the same, when no font is installed.
# Usage: startup_messages_e2e.sh path/to/zorva [scratch folder]
set -uo pipefail
zorva=$1
out=${2:-$(mktemp -d)}
mkdir -p "$out"
fail=0
pass() { echo "ok: $1"; }
flunk() { echo "FAIL: $1"; fail=1; }

# The lines the program itself writes, not the platform's.
expect_one_line() { # name status wanted-status stderr-file pattern
    local lines
    lines=$(grep -v '^QStandardPaths:' "$4" | wc -l)
    if [ "$2" -eq "$3" ] && [ "$lines" -eq 1 ] && grep -q "$5" "$4"; then
        pass "$1: status $2, one line"
    else
        flunk "$1: status $2 (wanted $3), $lines lines:"; cat "$4"
    fi
}

env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$zorva" 2>"$out/no-display.txt"
expect_one_line "no DISPLAY" $? 1 "$out/no-display.txt" "no display is set"

# A display number nothing listens on.
free=""
for n in $(seq 400 450); do
    [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ] && { free=$n; break; }
done
env -u QT_QPA_PLATFORM DISPLAY=":$free" "$zorva" 2>"$out/dead-display.txt"
expect_one_line "DISPLAY=:$free with no server" $? 1 "$out/dead-display.txt" "no display answers at :$free"

# Fontconfig with no font folder at all.
cat >"$out/no-fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig><cachedir>$out/font-cache</cachedir></fontconfig>
CONF
FONTCONFIG_FILE="$out/no-fonts.conf" "$zorva" --png "$out/no-fonts.png" --ticks 3 2>"$out/no-fonts.txt"
expect_one_line "no fonts" $? 0 "$out/no-fonts.txt" "no fonts are installed"
[ -s "$out/no-fonts.png" ] && pass "the picture was written without fonts" || flunk "no picture without fonts"
"$zorva" --png "$out/fonts.png" --ticks 3 2>"$out/fonts.txt"
grep -q "no fonts" "$out/fonts.txt" && flunk "a font warning with fonts installed" || pass "no warning with fonts installed"
exit $fail
