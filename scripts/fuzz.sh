#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds every libFuzzer target with clang into build-fuzz and runs each one for a short, bounded time.
# Usage: scripts/fuzz.sh [seconds per target]   (default 20; FUZZ_SECONDS works too)
# A crash, a hang or a sanitizer report fails the run; the input is kept in build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-${FUZZ_SECONDS:-20}}"

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
mkdir -p build-fuzz/artifacts
for t in $targets; do
    exe=$(find build-fuzz -type f -name "$t" -perm -u+x | head -n 1)
    [[ -n "$exe" ]] || { echo "fuzz: $t was not built" >&2; exit 1; }
    corpus="build-fuzz/corpus/$t"
    mkdir -p "$corpus"
    echo "fuzz: $t for ${seconds}s"
    "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
        -artifact_prefix="build-fuzz/artifacts/$t-" "$corpus" 2>"build-fuzz/$t.log" \
        || { tail -n 40 "build-fuzz/$t.log"; echo "fuzz: $t FAILED (log: build-fuzz/$t.log)"; exit 1; }
    tail -n 1 "build-fuzz/$t.log"
done
echo "fuzz: all targets clean"
