#!/bin/sh
# Builds the Debian package from a built tree and checks what it holds and
# what it depends on.
# usage: DebPackageTest.sh BUILD_DIR
set -eu
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; exit 1; }
deb=$(ls "$work"/*.deb)
contents=$(dpkg-deb -c "$deb" | awk '{print $NF}')
status=0
for file in ./usr/bin/tremolundrix ./usr/bin/tremolundrix-cli \
    ./usr/share/applications/example.tremolundrix.Tremolundrix.desktop \
    ./usr/share/icons/hicolor/scalable/apps/example.tremolundrix.Tremolundrix.svg \
    ./usr/share/metainfo/example.tremolundrix.Tremolundrix.metainfo.xml \
    ./usr/share/man/man1/tremolundrix.1.gz ./usr/share/man/man1/tremolundrix-cli.1.gz \
    ./usr/share/tremolundrix/accurate-engine.trxw; do
    if ! printf '%s\n' "$contents" | grep -qxF "$file"; then
        echo "$(basename "$deb") lacks $file" >&2
        status=1
    fi
done
depends=$(dpkg-deb -f "$deb" Depends)
# From the shared libraries: Qt, FFmpeg, FluidSynth, curl; and the font.
for package in libqt6widgets6 libavcodec libfluidsynth libcurl fonts-dejavu-extra; do
    if ! printf '%s\n' "$depends" | grep -q "$package"; then
        echo "Depends lacks $package: $depends" >&2
        status=1
    fi
done
[ "$status" -eq 0 ] && echo "$(basename "$deb"): $(printf '%s\n' "$contents" | wc -l) entries; Depends: $depends"
exit "$status"
