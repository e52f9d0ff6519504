#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the tests, in a folder of its own.
#
#   scripts/pg-test-cluster.sh available        exit 0 when the server programs are installed
#   scripts/pg-test-cluster.sh start DIR [--tcp] [--durable]
#   scripts/pg-test-cluster.sh stop DIR
#
# start makes the cluster in DIR (which must be empty or missing), owned by an
# unprivileged user when run as root (the server refuses to run as root), and
# writes DIR/env with the variables the tests read:
#   KASPLAN_TEST_PG   libpq keywords of the test role on the cluster's socket
#   KASPLAN_TEST_PG_TCP  the same over 127.0.0.1 (only with --tcp)
#   PGPASSFILE        the password file for the TCP connection
# The server listens on a Unix socket inside DIR and, with --tcp, on 127.0.0.1
# only. Without --durable it does not sync to disk (a test cluster is thrown
# away; transactions and locks behave the same).
set -euo pipefail

bindir() {
    local d
    for d in "$(pg_config --bindir 2>/dev/null || true)" /usr/lib/postgresql/*/bin; do
        if [ -n "$d" ] && [ -x "$d/initdb" ] && [ -x "$d/pg_ctl" ]; then
            echo "$d"
            return 0
        fi
    done
    return 1
}

as_owner() {
    if [ "$(id -u)" -eq 0 ]; then
        runuser -u "$owner" -- "$@"
    else
        "$@"
    fi
}

pick_owner() {
    owner="$(id -un)"
    if [ "$(id -u)" -eq 0 ]; then
        if getent passwd postgres >/dev/null; then
            owner=postgres
        else
            getent passwd kasplan-pg >/dev/null ||
                useradd --system --no-create-home --shell /usr/sbin/nologin kasplan-pg
            owner=kasplan-pg
        fi
    fi
}

case "${1:-}" in
available)
    bindir >/dev/null
    ;;
start)
    dir="${2:?folder}"
    shift 2
    tcp=no
    durable=no
    for a in "$@"; do
        case "$a" in
        --tcp) tcp=yes ;;
        --durable) durable=yes ;;
        *) echo "unknown option $a" >&2; exit 2 ;;
        esac
    done
    bin="$(bindir)"
    pick_owner
    mkdir -p "$dir"
    dir="$(cd "$dir" && pwd)"
    chmod 755 "$dir"
    mkdir -p "$dir/data" "$dir/socket"
    chown "$owner" "$dir/data" "$dir/socket"
    chmod 700 "$dir/data"
    password="$(head -c 18 /dev/urandom | base64 | tr -d '/+=')"
    as_owner "$bin/initdb" -D "$dir/data" -U kasplan_admin --auth-local=trust \
        --auth-host=scram-sha-256 -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 ||
        { cat "$dir/initdb.log" >&2; exit 1; }
    options="-c unix_socket_directories=$dir/socket -c max_connections=120"
    [ "$durable" = yes ] || options="$options -c fsync=off -c synchronous_commit=off -c full_page_writes=off"
    port=5432
    if [ "$tcp" = yes ]; then
        started=no
        for _ in 1 2 3 4 5 6 7 8 9 10; do
            port=$((20000 + RANDOM % 20000))
            if as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/data/server.log" -w -t 60 \
                -o "$options -c listen_addresses=127.0.0.1 -p $port" start >/dev/null; then
                started=yes
                break
            fi
        done
        [ "$started" = yes ] || { cat "$dir/data/server.log" >&2; exit 1; }
    else
        as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/data/server.log" -w -t 60 \
            -o "$options -c listen_addresses= -p $port" start >/dev/null ||
            { cat "$dir/data/server.log" >&2; exit 1; }
    fi
    "$bin/psql" -X -q -v ON_ERROR_STOP=1 -h "$dir/socket" -p "$port" -U kasplan_admin -d postgres \
        -c "CREATE ROLE kasplan LOGIN CREATEDB PASSWORD '$password'" \
        -c "CREATE ROLE kasplan2 LOGIN PASSWORD '$password'" >/dev/null
    umask 077
    echo "127.0.0.1:$port:*:kasplan:$password" >"$dir/pgpass"
    echo "127.0.0.1:$port:*:kasplan2:$password" >>"$dir/pgpass"
    {
        echo "KASPLAN_TEST_PG='host=$dir/socket port=$port user=kasplan'"
        echo "KASPLAN_TEST_PG_ADMIN='host=$dir/socket port=$port user=kasplan_admin'"
        [ "$tcp" = no ] || echo "KASPLAN_TEST_PG_TCP='host=127.0.0.1 port=$port user=kasplan'"
        echo "PGPASSFILE='$dir/pgpass'"
    } >"$dir/env"
    ;;
stop)
    dir="${2:?folder}"
    [ -d "$dir/data" ] || exit 0
    bin="$(bindir)"
    pick_owner
    as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    rm -rf "$dir"
    ;;
*)
    echo "usage: $0 available | start DIR [--tcp] [--durable] | stop DIR" >&2
    exit 2
    ;;
esac
