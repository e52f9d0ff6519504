#!/usr/bin/env bash
# Sets everything up, builds Kasplan with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs the whole test suite through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
scripts/format.sh --check
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKASPLAN_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$(nproc)"
cd build-asan
ctest --output-on-failure -j"$(nproc)" "$@"
