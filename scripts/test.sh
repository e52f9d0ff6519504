#!/usr/bin/env bash
# Sets everything up, builds Kasplan with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs the whole test suite through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
scripts/format.sh --check
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKASPLAN_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$(nproc)"

# The PostgreSQL half of the suite runs on a throwaway cluster of its own,
# stopped again whatever the outcome.
root="$(pwd)"
if scripts/pg-test-cluster.sh available; then
    pgdir="$(mktemp -d)"
    trap '"$root/scripts/pg-test-cluster.sh" stop "$pgdir"' EXIT
    scripts/pg-test-cluster.sh start "$pgdir"
    set -a
    # shellcheck disable=SC1091
    . "$pgdir/env"
    set +a
    echo "PostgreSQL test server started (socket in $pgdir/socket)"
else
    unset KASPLAN_TEST_PG
    echo "PostgreSQL server programs (initdb) not installed: the PostgreSQL half of the tests is SKIPPED"
fi
cd build-asan
ctest --output-on-failure -j"$(nproc)" "$@"
