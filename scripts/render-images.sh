#!/bin/sh
# Renders the editor's embedded images from their SVG sources in resources/:
# the maker's logo at 1024 x 1024 and the five effect icons at 512 x 512, all RGBA PNG.
# The PNGs are committed, so a build needs no renderer; run this after editing an SVG.
# Needs rsvg-convert (Debian: librsvg2-bin) and, for the logo's wordmark, DejaVu Sans Bold
# (Debian: fonts-dejavu-core).
set -eu

resources="$(cd "$(dirname "$0")/../resources" && pwd)"

render()
{
    rsvg-convert --width "$2" --height "$2" --format png --output "$resources/$1.png" "$resources/$1.svg"
    echo "$1.png"
}

render BrackenfoldLogo_1024 1024
for icon in Icon_Nimbre Icon_Shuffle Icon_Voice Icon_Blur Icon_Overdrive; do
    render "$icon" 512
done
