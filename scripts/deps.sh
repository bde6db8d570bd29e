#!/usr/bin/env bash
# Installs the Debian 12 packages the suite needs to build, test and run its demo.
# Does nothing when everything is already there.
set -euo pipefail

# libqt6opengl6-dev: qt6-charts-dev's CMake files ask for Qt6OpenGL without depending on it.
# libxlsxwriter-dev writes Brusko's spreadsheet export, python3-openpyxl reads it back in
# the tests; qt6-translations-l10n gives Qt's own dialogs and buttons the user's language.
# lintian checks the Debian package (scripts/package.sh). locales-all: the tests run the
# programs under the Finnish and Swedish locales of Finland, which they must not lack.
# python3-dbus and python3-gi run the tests' own stand-ins for NetworkManager and
# ModemManager (tests/support/faultynm.py, faultymm.py).
packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-charts-dev libqt6opengl6-dev libgl-dev libxkbcommon-dev
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    clang libclang-rt-14-dev
    libudev-dev umockdev libumockdev-dev
    xvfb xauth fonts-dejavu-core
    openbox trayer x11-utils
    iproute2
    dbus-daemon
    python3-dbusmock python3-dbus python3-gi network-manager
    libxlsxwriter-dev python3-openpyxl
    qt6-translations-l10n
    lintian
    locales-all
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
