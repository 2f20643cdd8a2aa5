#!/usr/bin/env bash
# Builds the Debian package (build/package/*.deb) the way Debian builds
# programs (dpkg-buildflags, no tests) and checks it: the expected files, the
# dependencies found by dpkg-shlibdeps, the desktop entry, the AppStream
# metadata, and lintian with nothing left but the warnings accepted in
# packaging/lintian-accepted.txt.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/package
app_id=io.github.canadapterconfig.CanAdapterConfig

export CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
export LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=None -DCAC_WERROR=ON -DCAC_BUILD_TESTS=OFF \
    >/dev/null
cmake --build "$build"
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/*.deb)
echo "Checking $deb"

fail() {
    echo "check-package: $*" >&2
    exit 1
}

listing=$(dpkg-deb -c "$deb" | awk '{print $NF}')
for file in \
    ./usr/bin/can-adapter-config \
    ./usr/bin/can-adapter-cli \
    ./usr/share/can-adapter-config/DemoVars.cfg \
    "./usr/share/applications/$app_id.desktop" \
    "./usr/share/icons/hicolor/scalable/apps/$app_id.svg" \
    "./usr/share/metainfo/$app_id.metainfo.xml" \
    "./usr/share/mime/packages/$app_id.xml" \
    ./usr/share/man/man1/can-adapter-cli.1.gz \
    ./usr/share/man/man1/can-adapter-config.1.gz \
    ./usr/share/doc/can-adapter-config/copyright \
    ./usr/share/doc/can-adapter-config/changelog.gz; do
    grep -qxF "$file" <<<"$listing" || fail "$file is missing from the package"
done

depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libqt6core6 libqt6widgets6 libqt6serialport6; do
    grep -q "\b$library\b" <<<"$depends" || fail "Depends lacks $library: $depends"
done

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
desktop-file-validate "$unpacked/usr/share/applications/$app_id.desktop"
grep -qx 'MimeType=application/x-can-adapter-config;' "$unpacked/usr/share/applications/$app_id.desktop" ||
    fail "the desktop entry does not open .ccf files"
xmllint --noout "$unpacked/usr/share/mime/packages/$app_id.xml" ||
    fail "the MIME type file is not well-formed XML"
appstreamcli validate --no-net "$unpacked/usr/share/metainfo/$app_id.metainfo.xml" >/dev/null

accepted=$(awk '!/^#/ && NF {print $1}' packaging/lintian-accepted.txt | paste -sd, -)
lintian --fail-on error,warning ${accepted:+--suppress-tags "$accepted"} "$deb"
echo "Package checks passed"
