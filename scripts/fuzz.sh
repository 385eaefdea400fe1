#!/usr/bin/env bash
# Builds the libFuzzer targets of the file readers and the file-name conversion with clang,
# AddressSanitizer and UndefinedBehaviorSanitizer, and runs each for the given number of seconds.
# Usage: scripts/fuzz.sh [SECONDS] [settings|datafile|filename ...]  (default: 300 s, all three)
# Findings (crash-*, leak-*, timeout-*) are written to build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
TAVRIN_FUZZ=1 scripts/deps.sh
seconds=${1:-300}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(settings datafile filename)
BUILD_DIR=${BUILD_DIR:-build-fuzz}
san="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRIN_TESTS=OFF -DTAVRIN_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_CXX_FLAGS="$san -fsanitize=fuzzer-no-link" \
    -DCMAKE_EXE_LINKER_FLAGS="$san" >/dev/null
cmake --build "$BUILD_DIR" -j"${JOBS:-2}" --target fuzz_make_seeds "${targets[@]/#/fuzz_}"
mkdir -p "$BUILD_DIR/findings"
"$BUILD_DIR/fuzz/fuzz_make_seeds" "$BUILD_DIR/seeds"
for t in "${targets[@]}"; do
    corpus="$BUILD_DIR/corpus/$t"
    mkdir -p "$corpus"
    cp -n fuzz/corpus/"$t"/* "$corpus"/ 2>/dev/null || true
    cp -n "$BUILD_DIR/seeds/$t"/* "$corpus"/ 2>/dev/null || true
    # A data file of 262144 samples with the widest codes and volts takes about 9 MB.
    max_len=65536
    [ "$t" = datafile ] && max_len=$((9 * 1024 * 1024))
    echo "== fuzz_$t for $seconds s"
    "$BUILD_DIR/fuzz/fuzz_$t" "$corpus" -max_total_time="$seconds" -max_len="$max_len" \
        -timeout=10 -rss_limit_mb=2048 -dict=fuzz/tavrin.dict -print_final_stats=1 \
        -artifact_prefix="$BUILD_DIR/findings/$t-"
done
