#!/usr/bin/env bash
# Builds Tavrin and starts tavrin-sim (the program with the simulated TORVEX24 unit).
# Arguments are passed to tavrin-sim (see tavrin-sim --help).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)" --target tavrin-sim
exec "$BUILD_DIR/src/app/tavrin-sim" "$@"
