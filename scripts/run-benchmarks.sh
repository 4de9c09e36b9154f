#!/bin/bash
# Builds the engine benchmarks in Release (in build-benchmarks/, or $HOLLOWMERE_BENCH_BUILD_DIR)
# and runs them. Every case's time is printed as a ratio to a bare STFT measured in the same run.
# Extra arguments go to the benchmark executable (for instance --benchmark_repetitions=3).
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir="${HOLLOWMERE_BENCH_BUILD_DIR:-build-benchmarks}"

cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release \
    -DHOLLOWMERE_BUILD_TESTS=OFF -DHOLLOWMERE_BUILD_TOOLS=OFF -DHOLLOWMERE_BUILD_BENCHMARKS=ON > /dev/null
cmake --build "$build_dir" --target hollowmere_benchmarks -j "${HOLLOWMERE_JOBS:-2}"

"$build_dir/benchmarks/hollowmere_benchmarks" "$@"
