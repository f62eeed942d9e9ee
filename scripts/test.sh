#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds selvaro with every warning an error and runs the whole test suite.
# Usage: scripts/test.sh [--sanitize]   (--sanitize: AddressSanitizer + UndefinedBehaviorSanitizer build)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test

dir=build
flags=(-DSELVARO_WERROR=ON -DSELVARO_BUILD_TESTS=ON)
if [[ "${1:-}" == "--sanitize" ]]; then
    dir=build-asan
    flags+=(-DSELVARO_SANITIZE=ON)
fi
# The PostgreSQL journal tests use the server named by SELVARO_PG_HOST and the rest (.ci/run starts
# one); without it, a throwaway cluster lives for this run (its tests skip with the reason when it
# cannot start).
if [[ -z "${SELVARO_PG_HOST:-}" ]]; then
    if pgdir=$(scripts/pg-setup.sh start); then
        trap 'scripts/pg-setup.sh remove "$pgdir"' EXIT
        set -a; . "$pgdir/pg.env"; set +a
    else
        echo "No PostgreSQL server: the journal's server tests will be skipped" >&2
    fi
fi
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${flags[@]}" >/dev/null
cmake --build "$dir" --parallel "$(nproc)"
ctest --test-dir "$dir" --no-tests=error --output-on-failure --parallel "$(nproc)"
