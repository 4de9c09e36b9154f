#!/bin/bash
# Opens the built plug-in's editor in a real window on a virtual X server (the test
# editor_window_screenshot), checks it, and copies the 640 x 540 picture to docs/screenshot.png.
# Builds in build/ (or $HOLLOWMERE_BUILD_DIR) first.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir="${HOLLOWMERE_BUILD_DIR:-build}"

scripts/build.sh --target hollowmere-window-shot
(cd "$build_dir" && ctest -R '^editor_window_screenshot$' --output-on-failure)

cp "$build_dir/tests/window/screenshots/editor-640x540.png" docs/screenshot.png
echo "screenshot: docs/screenshot.png (the 1280 x 1080 one is in $build_dir/tests/window/screenshots/)"
