#!/usr/bin/env bash
# Installs the Debian packages Kasplan needs to build, run and test.
# As root it installs what is missing with apt-get; otherwise it names them.
set -euo pipefail

packages=(
    g++ cmake make clang-format
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libsqlite3-dev libpq-dev postgresql
    xvfb xauth x11-utils
    fonts-dejavu-core fonts-urw-base35
    qt6-translations-l10n locales poppler-utils
    # drawing the icon files, checking an installation, making the Debian package
    qt6-svg-dev desktop-file-utils appstream dpkg-dev file
)

# Dates, month names and Qt's own dialogs in Dutch need the Dutch locale.
dutch_locale_missing() {
    ! locale -a 2>/dev/null | grep -qix 'nl_NL\.utf-\?8'
}

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ] && ! dutch_locale_missing; then
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    if [ ${#missing[@]} -ne 0 ]; then
        echo "Kasplan needs these Debian packages: ${missing[*]}" >&2
        echo "Install them first: sudo apt-get install ${missing[*]}" >&2
        exit 1
    fi
    # The tests set the Dutch locale themselves; only a Dutch desktop needs it.
    echo "The locale nl_NL.UTF-8 is missing; see the README to run Kasplan in Dutch." >&2
    exit 0
fi

if [ ${#missing[@]} -ne 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if dutch_locale_missing; then
    sed -i 's/^# *\(nl_NL\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -qx 'nl_NL.UTF-8 UTF-8' /etc/locale.gen || echo 'nl_NL.UTF-8 UTF-8' >>/etc/locale.gen
    locale-gen >/dev/null
fi
