#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what lands there: the
# program, the desktop entry, the icon, the AppStream metainfo and the manual
# page, each where GNUInstallDirs puts it, nothing else, and each accepted by
# its validator (desktop-file-validate, appstreamcli, groff and man). Also
# checks that the Debian package's Depends names every package whose shared
# libraries the program links, as dpkg-shlibdeps finds them.
# Usage: check_install.sh CMAKE BUILD_DIR PREFIX VERSION APP_ID DEB_DEPENDS
set -euo pipefail
cmake=$1
build=$2
prefix=$3
version=$4
app_id=$5
deb_depends=${6:-}

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
ok() { echo "ok: $*"; }

for tool in desktop-file-validate appstreamcli groff man dpkg-shlibdeps; do
    command -v "$tool" >/dev/null || {
        echo "FAIL: '$tool' is missing (Debian packages: desktop-file-utils, appstream," \
             "groff-base, man-db, dpkg-dev)"
        exit 1
    }
done
export LC_ALL=C.UTF-8

# --- Install ------------------------------------------------------------------
rm -rf "$prefix"
unset DESTDIR
"$cmake" --install "$build" --prefix "$prefix" >/dev/null

bin=$prefix/bin/zorva
desktop=$prefix/share/applications/$app_id.desktop
icon=$prefix/share/icons/hicolor/scalable/apps/$app_id.svg
metainfo=$prefix/share/metainfo/$app_id.metainfo.xml
manpage=$prefix/share/man/man1/zorva.1
copyright=$prefix/share/doc/zorva/copyright

# --- Exactly these files, and nothing else (no libraries, tests, headers) ----
expected=$(printf '%s\n' "$bin" "$desktop" "$icon" "$metainfo" "$manpage" | sort)
actual=$(find "$prefix" -type f -o -type l | grep -vxF "$copyright" | sort || true)
if [ "$actual" = "$expected" ]; then
    ok "installed files: $(echo "$actual" | sed "s|^$prefix/||" | tr '\n' ' ')"
else
    fail "installed files differ from the expected set"
    diff <(echo "$expected") <(echo "$actual") | sed 's/^/    /' || true
fi

# --- The program ------------------------------------------------------------
if [ -x "$bin" ]; then
    ok "program is executable"
    if command -v readelf >/dev/null; then
        dynamic=$(readelf -d "$bin")
        if grep -qE 'RPATH|RUNPATH' <<<"$dynamic"; then
            fail "installed program keeps a run path: $(grep -E 'RPATH|RUNPATH' <<<"$dynamic")"
        fi
    fi
    # The package's Depends against what the program links. An empty
    # DEB_DEPENDS skips this (sanitizer builds link their runtimes and are
    # never packaged).
    if [ -n "$deb_depends" ]; then
        declared=" $(sed -E 's/\([^)]*\)//g; s/[,|]/ /g' <<<"$deb_depends" | xargs) "
        for package in libqt6widgets6 libqt6gui6 libqt6core6 qt6-qpa-plugins; do
            [[ "$declared" == *" $package "* ]] || fail "package Depends lacks $package"
        done
        scratch=$(mktemp -d)
        mkdir "$scratch/debian" && touch "$scratch/debian/control"
        needed=$(cd "$scratch" && dpkg-shlibdeps -O "$bin" 2>/dev/null) && rc=0 || rc=$?
        rm -rf "$scratch"
        if [ "$rc" -ne 0 ]; then
            fail "dpkg-shlibdeps could not read $bin"
        else
            missing=""
            for package in $(sed -E 's/^shlibs:Depends=//; s/\([^)]*\)//g; s/[,|]/ /g' <<<"$needed"); do
                [[ "$declared" == *" $package "* ]] || missing="$missing $package"
            done
            if [ -z "$missing" ]; then
                ok "package Depends covers the linked libraries (${needed#shlibs:Depends=})"
            else
                fail "package Depends lacks:$missing (dpkg-shlibdeps: ${needed#shlibs:Depends=})"
            fi
        fi
    else
        echo "skipped: package Depends (not checked for this build)"
    fi
    out=$(QT_QPA_PLATFORM=offscreen timeout 30 "$bin" --version 2>&1) && rc=0 || rc=$?
    if [ "$rc" -eq 0 ] && [ "$out" = "zorva $version" ]; then
        ok "zorva --version: $out"
    else
        fail "zorva --version: exit $rc, printed '$out', wanted 'zorva $version'"
    fi
else
    fail "$bin is missing or not executable"
fi

# --- Desktop entry --------------------------------------------------------------
if [ -f "$desktop" ]; then
    out=$(desktop-file-validate "$desktop" 2>&1) && rc=0 || rc=$?
    [ -z "$out" ] || sed 's/^/    /' <<<"$out"
    if [ "$rc" -ne 0 ] || grep -qE '(error|warning):' <<<"$out"; then
        fail "desktop-file-validate rejects $desktop"
    else
        ok "desktop-file-validate (hints only)"
    fi
    for want in "Name=ZORVA" "Exec=zorva" "Icon=$app_id" "Categories=Education;Science;Physics;" \
                "Type=Application"; do
        grep -qxF "$want" "$desktop" || fail "desktop entry lacks the line '$want'"
    done
    grep -q '^Comment=.' "$desktop" || fail "desktop entry lacks a Comment"
    icon_name=$(sed -n 's/^Icon=//p' "$desktop")
    [ -f "$prefix/share/icons/hicolor/scalable/apps/$icon_name.svg" ] ||
        fail "Icon=$icon_name names no installed icon"
else
    fail "$desktop is missing"
fi

# --- Icon -------------------------------------------------------------------
if [ -f "$icon" ]; then
    if command -v xmllint >/dev/null; then
        xmllint --noout "$icon" || fail "icon is not well-formed XML"
    fi
    if grep -q '<svg' "$icon" && grep -q 'viewBox=' "$icon"; then
        ok "icon is an SVG with a viewBox"
    else
        fail "icon is not a scalable SVG"
    fi
else
    fail "$icon is missing"
fi

# --- AppStream metainfo ---------------------------------------------------------
if [ -f "$metainfo" ]; then
    out=$(appstreamcli validate --no-net "$metainfo" 2>&1) && rc=0 || rc=$?
    sed '/^$/d; s/^/    /' <<<"$out"
    if [ "$rc" -eq 0 ]; then ok "appstreamcli validate --no-net"; else fail "appstreamcli rejects $metainfo"; fi
    grep -qF "<id>$app_id</id>" "$metainfo" || fail "metainfo id is not $app_id"
    grep -qF "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
        fail "metainfo does not launch $app_id.desktop"
    grep -qF "<release version=\"$version\"" "$metainfo" || fail "metainfo has no release $version"
else
    fail "$metainfo is missing"
fi

# --- Manual page ------------------------------------------------------------
if [ -f "$manpage" ]; then
    out=$(groff -man -Tutf8 -ww -z "$manpage" 2>&1) && rc=0 || rc=$?
    if [ "$rc" -eq 0 ] && [ -z "$out" ]; then ok "groff -man -ww: no warnings"; else
        fail "groff warns about the manual page:"
        sed 's/^/    /' <<<"$out"
    fi
    text=$(MANPAGER=cat MANWIDTH=80 man --warnings -l "$manpage" 2>"$prefix.man-stderr") && rc=0 || rc=$?
    if [ "$rc" -eq 0 ] && [ ! -s "$prefix.man-stderr" ]; then ok "man -l: no warnings"; else
        fail "man -l warns about the manual page:"
        sed 's/^/    /' "$prefix.man-stderr"
    fi
    rm -f "$prefix.man-stderr"
    grep -q "^\.TH ZORVA 1 .*\"ZORVA $version\"" "$manpage" || fail "manual page is not for version $version"
    for want in F5 F6 F7 F8 F1 Ctrl+G Ctrl+E Ctrl+D --help --version --poltax --vimaxrono --klimax \
                --force-components --velocity-components --weight-reaction --ticks --csv --png \
                --size "EXIT STATUS"; do
        grep -qF -- "$want" <<<"$text" || fail "manual page does not mention '$want'"
    done
else
    fail "$manpage is missing"
fi

if [ "$failures" -eq 0 ]; then
    echo "install layout: all checks passed"
else
    echo "install layout: $failures check(s) failed"
    exit 1
fi
