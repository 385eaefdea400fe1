#!/usr/bin/env bash
# Builds the Debian package of Tavrin (Release build in build-package/) with CPack and leaves
# tavrin_VERSION_ARCH.deb in the source folder. Install it with: apt install ./tavrin_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
BUILD_DIR=${BUILD_DIR:-build-package}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DTAVRIN_TESTS=OFF ${CMAKE_EXTRA:-} >/dev/null
cmake --build "$BUILD_DIR" -j"${JOBS:-$(nproc)}"
[ -x "$BUILD_DIR/src/app/tavrin" ] || { echo "tavrin was not built (libftdi1-dev missing?)" >&2; exit 1; }
(cd "$BUILD_DIR" && cpack -G DEB >/dev/null)
deb=$(ls -t "$BUILD_DIR"/tavrin_*.deb | head -n1)
cp "$deb" .
echo "Built ${deb##*/}"
dpkg-deb --field "${deb##*/}" Package Version Architecture Depends
