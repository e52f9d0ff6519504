#!/usr/bin/env bash
# Builds Kasplan for installation (Release, without tests and benchmarks) in
# build-package/ and makes the Debian package there:
#   build-package/kasplan_<version>_<arch>.deb
# Install it with: sudo apt-get install ./build-package/kasplan_<version>_<arch>.deb
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release \
    -DKASPLAN_BUILD_TESTS=OFF -DKASPLAN_BUILD_BENCH=OFF >/dev/null
cmake --build build-package -j"$(nproc)"
cd build-package
cpack -G DEB
