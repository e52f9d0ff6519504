#!/usr/bin/env bash
# Sets everything up, builds Kasplan and starts it. Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKASPLAN_BUILD_TESTS=OFF >/dev/null
cmake --build build --target kasplan -j"$(nproc)"
exec build/kasplan "$@"
