#!/usr/bin/env bash
# Builds and runs the benchmarks (Release build). Usage: scripts/bench.sh [name] [benchmark args]
# e.g. scripts/bench.sh fft --benchmark_filter=RealFFT
set -euo pipefail
cd "$(dirname "$0")/.."
TAVRIN_BENCH=1 scripts/deps.sh
BUILD_DIR=${BUILD_DIR:-build-bench}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DTAVRIN_BENCH=ON -DTAVRIN_TESTS=OFF >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
names=("$@")
if [ ${#names[@]} -eq 0 ] || [[ "${names[0]}" == --* ]]; then
    for exe in "$BUILD_DIR"/bench/bench_*; do QT_QPA_PLATFORM=offscreen "$exe" "$@"; done
else
    name=$1; shift
    QT_QPA_PLATFORM=offscreen "$BUILD_DIR/bench/bench_$name" "$@"
fi
