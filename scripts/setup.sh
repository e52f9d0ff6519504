#!/usr/bin/env bash
# Installs the Debian packages Kasplan needs to build, run and test.
# As root it installs what is missing with apt-get; otherwise it names them.
set -euo pipefail

packages=(
    g++ cmake make clang-format
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libsqlite3-dev
    xvfb xauth x11-utils
    fonts-dejavu-core fonts-urw-base35
    poppler-utils
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    echo "Kasplan needs these Debian packages: ${missing[*]}" >&2
    echo "Install them first: sudo apt-get install ${missing[*]}" >&2
    exit 1
fi

export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
