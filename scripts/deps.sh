#!/usr/bin/env bash
# Installs the Debian packages Tavrin needs to build, test and run. Quick when all are present.
set -euo pipefail
packages=(
    cmake g++ make pkg-config
    qt6-base-dev qt6-base-dev-tools libqt6printsupport6
    libgtest-dev libgmock-dev libbenchmark-dev
    libftdi1-dev
    umockdev libumockdev-dev gir1.2-umockdev-1.0
    fonts-ipafont-gothic qt6-translations-l10n
    xvfb xauth
    poppler-utils
    librsvg2-bin desktop-file-utils appstream dpkg-dev groff-base
)
if [ "${TAVRIN_BENCH:-0}" = 1 ]; then packages+=(libfftw3-dev); fi
if [ "${TAVRIN_FUZZ:-0}" = 1 ]; then packages+=(clang libclang-rt-14-dev); fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
