#!/bin/bash
# Installs what is missing, builds everything in build/ (or $HOLLOWMERE_BUILD_DIR) and runs the
# whole test suite. Needs no display.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/build.sh

build_dir="${HOLLOWMERE_BUILD_DIR:-build}"
cd "$build_dir"
ctest --output-on-failure -j "$(nproc)"
