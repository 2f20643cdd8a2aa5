#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing.
#   scripts/install-deps.sh           what the Linux build and its tests need
#   scripts/install-deps.sh windows   and what the Windows build and its Wine
#                                     tests need
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev clang-format
    qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libgl-dev zlib1g-dev
    qt6-serialbus-dev libqt6serialbus6 # live CAN traffic; the latter holds the virtualcan plugin
    python3 python3-can python3-canmatrix
    libbenchmark-dev srecord xvfb xauth fonts-dejavu-core
    openbox xdotool # the real window driven on a display of its own
    dpkg-dev file lintian desktop-file-utils appstream libxml2-utils
)
if [ "${1:-}" = windows ]; then
    packages+=(
        g++-mingw-w64-x86-64-posix mingw-w64-tools libz-mingw-w64-dev dpkg-dev nsis zip unzip
        wine64 xvfb xauth openbox xdotool imagemagick
        librsvg2-bin icoutils # the icon rendered from the SVG; wrestool reads it back
    )
fi

missing=()
for pkg in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$pkg")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
