#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages that a given purpose needs, or prints the apt-get line to run as root.
# Usage: scripts/deps.sh build|test|ci
set -euo pipefail

build=(cmake make g++ pkg-config qt6-base-dev libgl-dev libicu-dev fonts-liberation2
       libqt6sql6-sqlite libqt6sql6-psql qt6-charts-dev libqt6opengl6-dev qt6-translations-l10n)
run=(xvfb xauth imagemagick)
test=(dpkg-dev desktop-file-utils poppler-utils cups printer-driver-cups-pdf libbenchmark-dev clang libclang-rt-14-dev
      xdotool mupdf-tools postgresql-15 lintian appstream python3)

case "${1:-build}" in
    build) wanted=("${build[@]}" "${run[@]}") ;;
    test) wanted=("${build[@]}" "${run[@]}" "${test[@]}") ;;
    *) echo "usage: $0 build|test" >&2; exit 2 ;;
esac

missing=()
for p in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -eq 0 ]]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
else
    echo "Missing packages. Install them as root (su -, or sudo), then run this command again:" >&2
    echo "  apt-get update && apt-get install -y --no-install-recommends ${missing[*]}" >&2
    exit 1
fi
