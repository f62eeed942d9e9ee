#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the CUPS scheduler and makes a cups-pdf queue the default printer, so that printing can be
# tested end to end on a machine without a real printer. Safe to run again: an existing queue and a
# running scheduler are kept. Needs root (and the packages cups and printer-driver-cups-pdf).
# A second queue, <queue-name>-margins, prints the same way but declares hardware margins, as laser and
# inkjet printers do, so that tests can check nothing is drawn where such a printer cannot print.
# Usage: scripts/cups-setup.sh [queue-name]   (default queue name: selvaro-pdf)
set -euo pipefail

queue="${1:-selvaro-pdf}"
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
conf=/etc/cups/cupsd.conf

if [[ $(id -u) -ne 0 ]]; then
    echo "cups-setup: must run as root" >&2
    exit 1
fi
for tool in cupsd lpadmin lpstat cupsenable cupsaccept; do
    if ! command -v "$tool" >/dev/null && [[ ! -x /usr/sbin/$tool ]]; then
        echo "cups-setup: $tool is missing; install cups and printer-driver-cups-pdf (scripts/deps.sh test)" >&2
        exit 1
    fi
done
[[ -f "$ppd" ]] || { echo "cups-setup: $ppd is missing; install printer-driver-cups-pdf" >&2; exit 1; }
export PATH="$PATH:/usr/sbin"

# Keep the submitted documents in the spool after the job ends: the tests read them back.
restart=0
if ! grep -q '^PreserveJobFiles Yes' "$conf"; then
    sed -i '/^PreserveJobFiles/d' "$conf"
    echo 'PreserveJobFiles Yes' >>"$conf"
    restart=1
fi

running() { lpstat -r 2>/dev/null | grep -q 'is running'; }

if running && [[ $restart -eq 1 ]]; then
    if command -v systemctl >/dev/null && systemctl is-active --quiet cups 2>/dev/null; then
        systemctl restart cups
    else
        pid=$(cat /run/cups/cupsd.pid 2>/dev/null || pidof cupsd || true)
        [[ -n "$pid" ]] && kill $pid
        for _ in $(seq 50); do running || break; sleep 0.1; done
    fi
fi
if ! running; then
    if command -v systemctl >/dev/null && systemctl start cups 2>/dev/null; then
        :
    else
        mkdir -p /run/cups
        cupsd
    fi
fi
for _ in $(seq 100); do running && break; sleep 0.1; done
running || { echo "cups-setup: the CUPS scheduler did not start" >&2; exit 1; }

if ! lpstat -p "$queue" >/dev/null 2>&1; then
    lpadmin -p "$queue" -E -v cups-pdf:/ -P "$ppd" -o PageSize=A4
fi
# A4 printable from 12 pt left, 12 pt right, 14 pt top and 17 pt bottom (ImageableArea counts from the
# lower left corner; HWMargins lists left, bottom, right, top).
margins="$queue-margins"
if ! lpstat -p "$margins" >/dev/null 2>&1; then
    marginsppd=$(mktemp --suffix=.ppd)
    sed -e 's/^\*HWMargins:.*/*HWMargins: 12 17 12 14/' \
        -e 's|^\*ImageableArea A4/A4: .*|*ImageableArea A4/A4: "12 17 583 828"|' \
        -e 's/^\*NickName: *"\(.*\)"/*NickName: "\1, 12-14-12-17 pt margins"/' "$ppd" >"$marginsppd"
    lpadmin -p "$margins" -E -v cups-pdf:/ -P "$marginsppd" -o PageSize=A4
    rm -f "$marginsppd"
fi
for q in "$queue" "$margins"; do
    cupsenable "$q"
    cupsaccept "$q"
done
lpadmin -d "$queue"
echo "cups-setup: scheduler running; default printer: $(lpstat -d | sed 's/.*: //')"
