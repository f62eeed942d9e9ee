#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds every libFuzzer target with clang into build-fuzz and runs each one for a short, bounded time.
# Usage: scripts/fuzz.sh [seconds per target]   (default 20; FUZZ_SECONDS works too)
# The corpora grow from run to run outside the checkout, in SELVARO_FUZZ_DIR (by default
# ~/.cache/selvaro-fuzz), with the logs and the input of any failure (artifacts/).
# A crash, a hang or a sanitizer report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-${FUZZ_SECONDS:-20}}"
work="${SELVARO_FUZZ_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/selvaro-fuzz}"

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSELVARO_BUILD_FUZZ=ON -DSELVARO_BUILD_TESTS=OFF >/dev/null
targets=$(cmake --build build-fuzz --target help | sed -n 's/^\.\.\. \(fuzz_[A-Za-z0-9_]*\).*/\1/p' \
    | grep -v '_autogen' | sort -u)
[[ -n "$targets" ]] || { echo "fuzz: no fuzz_* targets found" >&2; exit 1; }
for t in $targets; do
    cmake --build build-fuzz --parallel "$(nproc)" --target "$t"
done

# The state-file and journal fuzzers write files at every run: keep them in memory when possible.
[[ -d /dev/shm && -w /dev/shm ]] && export TMPDIR=/dev/shm
mkdir -p "$work/artifacts" "$work/logs"
for t in $targets; do
    exe=$(find build-fuzz -type f -name "$t" -perm -u+x | head -n 1)
    [[ -n "$exe" ]] || { echo "fuzz: $t was not built" >&2; exit 1; }
    # Inputs no longer than the texts each target reads need, and a dictionary of their pieces.
    args=()
    case "$t" in
        fuzz_leadingnumber) args+=(-max_len=1024) ;; # room for more digits than a double can use
        fuzz_localereading) args+=(-max_len=128) ;;
        fuzz_words | fuzz_journal) args+=(-max_len=512) ;;
        fuzz_stateline) args+=(-max_len=1024) ;;
    esac
    dict="fuzz/${t/statefile/stateline}.dict"
    [[ -f "$dict" ]] && args+=(-dict="$dict")
    corpus="$work/corpus/$t"
    log="$work/logs/$t.log"
    mkdir -p "$corpus"
    echo "fuzz: $t for ${seconds}s"
    "$exe" "${args[@]}" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
        -artifact_prefix="$work/artifacts/$t-" "$corpus" 2>"$log" \
        || { tail -n 40 "$log"; echo "fuzz: $t FAILED (log: $log)"; exit 1; }
    echo "fuzz: $(grep -o 'exec/s: [0-9]*' "$log" | tail -n 1), $(tail -n 1 "$log")"
done
echo "fuzz: all targets clean"
