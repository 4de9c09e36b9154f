#!/bin/bash
# From a fresh Debian 12 machine to a rendered demo: installs what is missing, builds the plug-in
# and the renderer, installs the VST3 bundle into ~/.vst3, writes the demo input and plays it
# through the installed plug-in.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/build.sh --target Hollowmere_VST3 hollowmere-render hollowmere-make-demo

build_dir="${HOLLOWMERE_BUILD_DIR:-build}"
bundle="$build_dir/source/Hollowmere_artefacts/Release/VST3/Hollowmere.vst3"
installed="$HOME/.vst3/Hollowmere.vst3"

mkdir -p "$HOME/.vst3"
rm -rf "$installed"
cp -r "$bundle" "$installed"
echo "demo: installed $installed"

mkdir -p out
"$build_dir/tools/hollowmere-make-demo" out/demo-input.wav
"$build_dir/tools/hollowmere-render" --plugin "$installed" \
    --set haunt=0.7 --set whisper=0.3 --set drift=0.2 --set seance=0.4 --set dryWet=0.8 \
    out/demo-input.wav out/demo-hollowmere.wav

echo "demo: the input is $PWD/out/demo-input.wav"
echo "demo: the rendered output is $PWD/out/demo-hollowmere.wav"
