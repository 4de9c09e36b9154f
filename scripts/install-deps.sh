#!/bin/bash
# Installs the Debian 12 packages that building, testing and the demo need, skipping those already
# installed. Run as root. Everything comes from Debian's own archive.
set -euo pipefail

packages=(
    build-essential cmake pkg-config ccache
    juce-modules-source libfftw3-dev libsleef-dev
    libflac-dev libvorbis-dev libogg-dev
    libasound2-dev libfreetype-dev libfontconfig1-dev
    libx11-dev libxrandr-dev libxinerama-dev libxcursor-dev libxext-dev
    libpng-dev libjpeg-dev zlib1g-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth fonts-dejavu-core librsvg2-bin sox lilv-utils jalv jackd2
    clang-14 libclang-rt-14-dev
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: every package is installed"
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: missing packages (run as root to install): ${missing[*]}" >&2
    exit 1
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends "${missing[@]}"
