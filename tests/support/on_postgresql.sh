#!/bin/sh
# Runs a test program on the PostgreSQL backend: the test server that
# scripts/test.sh starts is named by KASPLAN_TEST_PG. Without one the test is
# reported as skipped (exit 77), never as passed.
if [ -z "${KASPLAN_TEST_PG:-}" ]; then
    echo "SKIPPED: no PostgreSQL test server (KASPLAN_TEST_PG is not set; scripts/test.sh starts one where the server packages are installed)"
    exit 77
fi
KASPLAN_TEST_BACKEND=postgresql
export KASPLAN_TEST_BACKEND
exec "$@"
