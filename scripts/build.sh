#!/bin/bash
# Configures and builds a Release tree in build/ (or $HOLLOWMERE_BUILD_DIR); extra arguments are
# passed to `cmake --build`, e.g. --target hollowmere-render.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir="${HOLLOWMERE_BUILD_DIR:-build}"
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"

cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release
cmake --build "$build_dir" -j "$(nproc)" "$@"
