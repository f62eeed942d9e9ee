#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Start-up time and peak memory of selvaro against a bare QWidget program, side by side in one run,
# with a window of the same stock widgets and no program behind them as a reference.
# Builds nothing: give it a build directory configured with -DSELVARO_BUILD_BENCH=ON in which the
# targets selvaro, barewidget, tablewidget and bench_startup are built.
# Usage: bench/startup.sh BUILD_DIR [RUNS]
# With no display it runs on a virtual X display (Xvfb); QT_QPA_PLATFORM=offscreen measures without
# any display server.
set -euo pipefail
if [[ $# -lt 1 || $# -gt 2 ]]; then
    echo "usage: $0 BUILD_DIR [RUNS]" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
runs=${2:-20}
for f in selvaro bench/barewidget bench/tablewidget bench/bench_startup; do
    if [[ ! -x "$build/$f" ]]; then
        echo "$build/$f is missing: build the targets selvaro barewidget tablewidget bench_startup" >&2
        exit 1
    fi
done

type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")
echo "Build type: ${type:-none}; load before the run: $(cut -d' ' -f1-3 /proc/loadavg)"
# Qt warns on every start when there is no runtime directory (as under a bare root shell).
own_runtime=
if [[ -z "${XDG_RUNTIME_DIR:-}" ]]; then
    XDG_RUNTIME_DIR=$(mktemp -d)
    export XDG_RUNTIME_DIR
    own_runtime=1
fi
# selvaro runs from a copy in a scratch directory that holds a seller's two files, so each start reads
# them as a seller's every start after the first does, and the build's own files stay untouched.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch" ${own_runtime:+"$XDG_RUNTIME_DIR"}' EXIT
cp "$build/selvaro" "$scratch/"
printf '%s\r\n' "ИП Петров Пётр Петрович, ИНН 500100732259, г. Тверь, ул. Советская, д. 5" |
    iconv -f UTF-8 -t WINDOWS-1251 >"$scratch/clishr.txt"
printf '128\r\n' >"$scratch/numch.txt"
run=("$build/bench/bench_startup" --runs "$runs" "$build/bench/barewidget" "$scratch/selvaro" "$build/bench/tablewidget")
if [[ -z "${QT_QPA_PLATFORM:-}" && -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
    echo "No display: running on Xvfb"
    xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" "${run[@]}"
else
    "${run[@]}"
fi
