#!/usr/bin/env bash
# Installs what building, testing and running the panel needs on Debian 12.
# As root it installs missing packages with apt-get; otherwise it lists them.
set -euo pipefail
pkgs=(cmake g++ make qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libgl-dev
      xvfb xauth fonts-liberation socat imagemagick poppler-utils locales)
missing=()
for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" = 0 ]; then
        echo "Installing: ${missing[*]}"
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    else
        echo "Missing packages. Install them as root with:" >&2
        echo "  apt-get install ${missing[*]}" >&2
        exit 1
    fi
fi

# The tests prove that numbers ignore the locale by running under a German one.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    if [ "$(id -u)" = 0 ]; then
        localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "Could not generate de_DE.UTF-8; locale tests run with Qt's locale only." >&2
    else
        echo "Note: the de_DE.UTF-8 locale is missing (as root: localedef -i de_DE -f UTF-8 de_DE.UTF-8)." >&2
    fi
fi
