#!/bin/bash
# From a fresh Debian 12 machine to a rendered demo: installs what is missing, builds the plug-in
# (VST3, LV2, Standalone) and the renderer, installs the VST3 bundle into ~/.vst3 and the LV2
# bundle into ~/.lv2, writes the demo input and plays it through the installed VST3 with a freeze
# and wobble, writing the rendered WAV and its before/after spectrogram.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/build.sh --target Hollowmere_VST3 Hollowmere_LV2 Hollowmere_Standalone hollowmere-render hollowmere-make-demo

build_dir="${HOLLOWMERE_BUILD_DIR:-build}"
artefacts="$build_dir/source/Hollowmere_artefacts/Release"

install_bundle()
{
    mkdir -p "$2"
    rm -rf "$2/$(basename "$1")"
    cp -r "$1" "$2/"
    echo "demo: installed $2/$(basename "$1")"
}

install_bundle "$artefacts/VST3/Hollowmere.vst3" "$HOME/.vst3"
install_bundle "$artefacts/LV2/Hollowmere.lv2" "$HOME/.lv2"

mkdir -p out
"$build_dir/tools/hollowmere-make-demo" out/demo-input.wav
"$build_dir/tools/hollowmere-render" --plugin "$HOME/.vst3/Hollowmere.vst3" \
    --set haunt=0.8 --set whisper=0.3 --set drift=0.2 --set dryWet=0.9 --bpm 120 \
    --automate tools/demo/demo-automation.txt \
    --spectrogram out/demo-hollowmere.png \
    out/demo-input.wav out/demo-hollowmere.wav

echo "demo: the input is $PWD/out/demo-input.wav"
echo "demo: the rendered output is $PWD/out/demo-hollowmere.wav"
echo "demo: its spectrogram (input above, output below) is $PWD/out/demo-hollowmere.png"
echo "demo: the Standalone application is $PWD/$artefacts/Standalone/Hollowmere"
