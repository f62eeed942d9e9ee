#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A throwaway PostgreSQL 15 cluster for the tests: made in a directory of its own, run by a non-root
# user (as root: the "postgres" user), listening on 127.0.0.1 at a free port and on a socket in that
# directory, with a database and a user "selvaro" allowed to create databases (trust authentication:
# the cluster is reachable from this machine only and lives as long as the test run).
#
# Usage: scripts/pg-setup.sh start [DIR]   makes the cluster in DIR (a new temporary directory when
#                                          omitted) or starts the one already there; prints DIR
#        scripts/pg-setup.sh stop DIR      stops it (the files stay)
#        scripts/pg-setup.sh remove DIR    stops it and deletes DIR
# After start, DIR/pg.env holds the connection as shell assignments (SELVARO_PG_HOST, SELVARO_PG_PORT,
# SELVARO_PG_USER, SELVARO_PG_DB, SELVARO_PG_DIR): `set -a; . DIR/pg.env; set +a` exports them.
# The server runs with fsync off unless SELVARO_PG_FSYNC=on (the benchmarks measure with it on).
set -euo pipefail

bin=/usr/lib/postgresql/15/bin
cmd="${1:-}"
dir="${2:-}"

die() { echo "pg-setup: $*" >&2; exit 1; }
[[ -x "$bin/initdb" && -x "$bin/pg_ctl" ]] || die "$bin/initdb is missing; install postgresql-15 (scripts/deps.sh test)"

# Runs a command as the cluster's owner.
as_owner() {
    if [[ $(id -u) -eq 0 ]]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

start() {
    if [[ -z "$dir" ]]; then
        dir=$(mktemp -d "${TMPDIR:-/tmp}/selvaro-pg.XXXXXX")
    fi
    mkdir -p "$dir"
    dir=$(cd "$dir" && pwd)
    if [[ $(id -u) -eq 0 ]]; then
        getent passwd postgres >/dev/null || die "no postgres user to run the cluster as"
        chown postgres: "$dir"
        runuser -u postgres -- test -x "$dir" || die "the postgres user cannot reach $dir (a parent directory is closed to it)"
    fi
    local data="$dir/data" sock="$dir/sock" port
    if [[ ! -f "$data/PG_VERSION" ]]; then
        as_owner mkdir -p "$sock"
        as_owner "$bin/initdb" -D "$data" -U postgres --auth=trust -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 \
            || die "initdb failed: $(tail -n 3 "$dir/initdb.log")"
        port=""
    else
        port=$(sed -n 's/^SELVARO_PG_PORT=//p' "$dir/pg.env" 2>/dev/null || true)
    fi
    # The port: the one this cluster had (a restart keeps it), else a free one; a port taken between
    # the check and the start makes the server fail, and the next one is tried.
    local tries=0
    while :; do
        if [[ -z "$port" ]]; then
            port=$((20000 + RANDOM % 20000))
            (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && { port=""; continue; }
        fi
        if as_owner "$bin/pg_ctl" -D "$data" -l "$dir/server.log" -w -t 60 start \
            -o "-c listen_addresses=127.0.0.1 -p $port -k $sock -c fsync=${SELVARO_PG_FSYNC:-off}" >/dev/null; then
            break
        fi
        tries=$((tries + 1))
        [[ $tries -lt 5 ]] || die "the server did not start: $(tail -n 3 "$dir/server.log")"
        port=""
    done
    if [[ ! -f "$dir/pg.env" ]]; then
        as_owner "$bin/psql" -h "$sock" -p "$port" -U postgres -d postgres -qAt -v ON_ERROR_STOP=1 \
            -c "CREATE ROLE selvaro LOGIN CREATEDB" -c "CREATE DATABASE selvaro OWNER selvaro" >/dev/null
    fi
    cat >"$dir/pg.env.new" <<EOF
SELVARO_PG_HOST=127.0.0.1
SELVARO_PG_PORT=$port
SELVARO_PG_USER=selvaro
SELVARO_PG_DB=selvaro
SELVARO_PG_DIR=$dir
EOF
    mv "$dir/pg.env.new" "$dir/pg.env"
    echo "$dir"
}

stop() {
    [[ -n "$dir" && -d "$dir/data" ]] || die "no cluster in '${dir}'"
    as_owner "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null 2>&1 || true
}

case "$cmd" in
    start) start ;;
    stop) stop ;;
    remove) stop; rm -rf -- "$dir" ;;
    *) echo "usage: $0 start [DIR] | stop DIR | remove DIR" >&2; exit 2 ;;
esac
