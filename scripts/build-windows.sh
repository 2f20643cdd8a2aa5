#!/usr/bin/env bash
# Builds the program for 64-bit Windows on Debian 12 and packages it:
#   1. Qt 6.4.2 (qtbase) cross-built with MinGW-w64 from Debian's
#      own source packages, once, into a cache folder keyed by version;
#   2. the window and the CLI from this project's CMake files (preset windows);
#   3. an NSIS installer and a portable ZIP (CPack).
# The last two lines it prints are the paths of the installer and of the ZIP.
#
#   scripts/build-windows.sh            everything, Qt only when not cached
#   scripts/build-windows.sh --qt-only  only make sure the cached Qt exists
#
# CAC_QT_CACHE overrides the cache folder (default ~/.cache/can-adapter-config).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

qt_only=0
for arg in "$@"; do
    case "$arg" in
        --qt-only) qt_only=1 ;;
        *) echo "usage: $0 [--qt-only]" >&2; exit 2 ;;
    esac
done

scripts/install-deps.sh windows

qt_version=6.4.2
cache=${CAC_QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/can-adapter-config}
qt_prefix=$cache/qt$qt_version-mingw64
toolchain=$root/cmake/mingw-w64-x86_64.cmake
host_cmake_dir=/usr/lib/x86_64-linux-gnu/cmake
jobs=$(nproc)

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

# Debian's source package of the Qt this machine has, so host tools and target
# libraries are the same version. Only qtbase's source can be had here (the
# mirror answers 404 for the orig tarballs of qt6-serialport and the other
# add-on modules), so the Windows program needs nothing beyond qtbase: its
# port probe talks to Win32 directly.
fetch_qtbase_source() {
    local version dir
    version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
    case "$version" in
        "$qt_version"*) ;;
        *) echo "build-windows: qt6-base-dev is $version, expected $qt_version" >&2; return 1 ;;
    esac
    dir=$cache/src/qt6-base-$version
    if [ ! -f "$dir/.unpacked" ]; then
        rm -rf "$dir"
        mkdir -p "$dir"
        (cd "$dir" && apt-get source -qq "qt6-base=$version" >&2)
        touch "$dir/.unpacked"
    fi
    qtbase_source=$(find "$dir" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*' | head -n1)
    [ -x "$qtbase_source/configure" ]
}

ensure_deb_src() {
    if apt-get indextargets 2>/dev/null | grep -q '^MetaKey: .*/source/Sources'; then
        return
    fi
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
            $sudo tee /etc/apt/sources.list.d/can-adapter-config-src.sources >/dev/null
    else
        grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
            $sudo tee /etc/apt/sources.list.d/can-adapter-config-src.list >/dev/null
    fi
    $sudo apt-get update -qq
}

build_qt() {
    local started=$SECONDS build=$cache/build/qtbase
    ensure_deb_src
    fetch_qtbase_source
    echo "build-windows: cross-building Qt $qt_version into $qt_prefix (about an hour on 2 cores)"
    rm -rf "$build" "$qt_prefix"
    mkdir -p "$build"
    # Qt remembers the toolchain file it was built with, so it gets a copy of
    # its own that outlives this checkout.
    cp "$toolchain" "$cache/mingw-w64-x86_64.cmake"
    # Qt's own copies of zlib, PCRE2, HarfBuzz, FreeType and libpng, so the
    # DLLs beside the program are all there is to ship. Debian's source has no
    # Wintab headers, hence no tablet events; modules the program does not use
    # are left out.
    (cd "$build" && "$qtbase_source/configure" -prefix "$qt_prefix" -release -opensource -confirm-license \
        -xplatform win32-g++ -qt-host-path /usr \
        -nomake examples -nomake tests \
        -no-opengl -no-dbus -no-icu -no-zstd -no-feature-tabletevent \
        -qt-zlib -qt-pcre -qt-harfbuzz -qt-freetype -qt-libpng -qt-libjpeg \
        -no-feature-sql -no-feature-network -no-feature-printsupport -no-feature-concurrent \
        -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$cache/mingw-w64-x86_64.cmake" -DQT_HOST_PATH_CMAKE_DIR="$host_cmake_dir")
    cmake --build "$build" --parallel "$jobs"
    cmake --install "$build"
    rm -rf "$cache/build"
    echo "qtbase $qt_version, built in $((SECONDS - started)) s" > "$qt_prefix/.complete"
    echo "build-windows: Qt built in $((SECONDS - started)) s"
}

if [ ! -f "$qt_prefix/.complete" ]; then
    build_qt
else
    echo "build-windows: using the cached Qt in $qt_prefix"
fi
[ "$qt_only" -eq 1 ] && exit 0

export CAC_WINDOWS_QT=$qt_prefix
cmake --preset windows >/dev/null
cmake --build --preset windows
(cd build/windows && cpack -G "NSIS;ZIP" >/dev/null)
version=$(sed -n 's/^project(can-adapter-config VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
echo "$root/build/windows/can-adapter-config-$version-win64-setup.exe"
echo "$root/build/windows/can-adapter-config-$version-win64.zip"
