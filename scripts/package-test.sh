#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package with Debian's hardening flags, checks it and its software-centre entry
# with lintian and appstreamcli (any error or warning fails), installs it with apt-get, starts the
# installed program as an ordinary user on a virtual display, closes it with its "Выход" button,
# answers the message that says where the files are kept now, and checks that the two state files
# were written into that user's data directory (the installed program's directory is not writable).
# Needs root (it installs a package and creates a user).
set -euo pipefail
cd "$(dirname "$0")/.."
[[ $(id -u) -eq 0 ]] || { echo "package test: needs root (installs a package), skipped"; exit 0; }
scripts/deps.sh test
command -v xdotool >/dev/null || { DEBIAN_FRONTEND=noninteractive apt-get install -y -qq xdotool >/dev/null; }

app_id=example.c_seed_8751a3c4.selvaro
flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSELVARO_BUILD_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_CXX_FLAGS="$(flags CXXFLAGS) $(flags CPPFLAGS)" -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" >/dev/null
cmake --build build-package --parallel "$(nproc)" --target selvaro
rm -f build-package/selvaro*.deb build-package/selvaro.debug
(cd build-package && cpack -G DEB >/dev/null)
deb=$(ls build-package/selvaro_*.deb)
echo "package: $deb"
test -s build-package/selvaro.debug
dpkg-deb -f "$deb" Depends
# Informational tags are shown, not failed on.
lintian --display-info --fail-on error,warning "$deb"
# The version lives in CMakeLists.txt; the changelog and the software-centre entry must name it too.
version=$(dpkg-deb -f "$deb" Version)
changelog=$(dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/share/doc/selvaro/changelog.gz | gunzip | sed -n 1p)
[[ $changelog == "selvaro ($version) "* ]] || { echo "FAILED: the changelog does not begin with $version: $changelog"; exit 1; }
grep -q "<release version=\"$version\"" "data/$app_id.metainfo.xml" \
    || { echo "FAILED: data/$app_id.metainfo.xml has no release $version"; exit 1; }
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" >/dev/null
desktop-file-validate "/usr/share/applications/$app_id.desktop"
appstreamcli validate --no-net --explain "/usr/share/metainfo/$app_id.metainfo.xml"
man -w selvaro >/dev/null
test -f /usr/share/icons/hicolor/32x32/apps/selvaro.png
test -f /usr/share/icons/hicolor/16x16/apps/selvaro.png
test -f /usr/share/icons/hicolor/scalable/apps/selvaro.svg

user=selvaro-seller
id "$user" >/dev/null 2>&1 || useradd --create-home "$user"
home=$(getent passwd "$user" | cut -d: -f6)
datadir="$home/.local/share/selvaro"
rm -rf "$datadir"

runuser -u "$user" -- env HOME="$home" xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" bash -c '
    set -e
    /usr/bin/selvaro & pid=$!
    wid=$(timeout 30 xdotool search --sync --onlyvisible --name "Товарный чек" | head -n 1)
    echo "window opened: $wid"
    # "Выход" is 855 x 375 twips at left 7680 and top SH - 700 (SH: the client height), which at
    # 96 dpi (15 twips a pixel) puts its centre 540 px from the left and 34 px above the bottom.
    height=$(xdotool getwindowgeometry --shell "$wid" | sed -n "s/^HEIGHT=//p")
    xdotool mousemove --window "$wid" 540 $((height - 34)) click 1
    # The first save that cannot go beside the program says where the files are kept now: a box of the
    # same title, closed with Enter.
    for _ in $(seq 50); do
        box=$(xdotool search --onlyvisible --name "Товарный чек" | grep -vx "$wid" | head -n 1 || true)
        [[ -n "$box" ]] && break
        sleep 0.2
    done
    [[ -n "$box" ]] || { echo "no message on where the files are kept"; kill $pid; exit 1; }
    echo "told where the files are kept: $box"
    xdotool windowfocus --sync "$box" key Return
    for _ in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.2; done
    if kill -0 $pid 2>/dev/null; then echo "the program did not end after Выход"; kill $pid; exit 1; fi
    wait $pid
'
for f in clishr.txt numch.txt; do
    [[ -f "$datadir/$f" ]] || { echo "FAILED: $datadir/$f was not written"; ls -la "$datadir" 2>&1; exit 1; }
    echo "written: $datadir/$f ($(stat -c %s "$datadir/$f") bytes)"
done
echo "package test: passed"
