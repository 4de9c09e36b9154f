#!/bin/bash
# Installs what is missing, builds everything in build/ (or $HOLLOWMERE_BUILD_DIR) and runs the
# whole test suite, then the sanitizer and fuzzing runs. Needs no display.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/build.sh

build_dir="${HOLLOWMERE_BUILD_DIR:-build}"
(cd "$build_dir" && ctest --output-on-failure -j "$(nproc)")

# The same tests again under AddressSanitizer with UBSan and under ThreadSanitizer, and the fuzzers
# for a bounded time, each in its own build tree (HOLLOWMERE_SANITIZER_STEPS= skips them).
scripts/sanitizers.sh
