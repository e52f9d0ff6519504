#!/usr/bin/env bash
# The load test of the PostgreSQL backend, on a throwaway cluster reached over
# 127.0.0.1 (with a password from a password file, as a site would): CLIENTS
# copies edit, add and delete records for SECONDS, then the stored data are
# checked against a replay of what was acknowledged.
#
#   scripts/load-test.sh [BUILD_FOLDER] [CLIENTS] [SECONDS]   (build-asan 20 60)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-asan}"
clients="${2:-20}"
seconds="${3:-60}"
cmake --build "$build" --target loadtest -j"$(nproc)" >/dev/null
root="$(pwd)"
pgdir="$(mktemp -d)"
trap '"$root/scripts/pg-test-cluster.sh" stop "$pgdir"' EXIT
scripts/pg-test-cluster.sh start "$pgdir" --tcp --durable
set -a
# shellcheck disable=SC1091
. "$pgdir/env"
set +a
psql -X -q "$KASPLAN_TEST_PG dbname=postgres" -c "CREATE DATABASE kasplan_load"
echo "server: $KASPLAN_TEST_PG_TCP (durable), $clients clients, $seconds s"
# The sanitizers' leak check is for the test suite; here it would only slow
# the copies down at exit.
ASAN_OPTIONS=detect_leaks=0 "$build/tests/support/loadtest" run \
    "$KASPLAN_TEST_PG_TCP dbname=kasplan_load" "$clients" "$seconds"
