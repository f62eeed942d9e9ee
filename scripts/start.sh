#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds selvaro into build/ and starts it. With no display it starts the program on a virtual
# display (Xvfb), saves a screenshot of the open window and ends.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --parallel "$(nproc)" --target selvaro

if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
    exec build/selvaro
fi

shot="$PWD/build/selvaro-screenshot.png"
xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" bash -c '
    build/selvaro & pid=$!
    sleep 3
    import -window root "$1"
    kill $pid; wait $pid 2>/dev/null || true
' _ "$shot"
echo "No display: selvaro ran on a virtual display; screenshot of its window: $shot"
