#!/usr/bin/env bash
# Builds and runs the measurement controller's soak run (Release build, offscreen): 20 full
# 262144-sample measurements at 125 ksps from the simulated unit, each block checked sample by
# sample, with wall time, CPU and memory per measurement and the idle CPU afterwards; or, with
# --continuous, a continuous series of blocks for SECONDS (default 1024 samples at 125 ksps).
# Usage: scripts/soak.sh [--runs N] [--count N] [--idle-seconds S] [--no-stop-check] [--strict]
#        scripts/soak.sh --continuous [SECONDS] [--count N] [--rate-index 0..16] [--strict]
set -euo pipefail
cd "$(dirname "$0")/.."
TAVRIN_BENCH=1 scripts/deps.sh
BUILD_DIR=${BUILD_DIR:-build-soak}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DTAVRIN_BENCH=ON -DTAVRIN_TESTS=OFF >/dev/null
cmake --build "$BUILD_DIR" -j"$(( $(nproc) < 2 ? $(nproc) : 2 ))" --target tavrin-soak
QT_QPA_PLATFORM=offscreen "$BUILD_DIR/bench/tavrin-soak" "$@"
