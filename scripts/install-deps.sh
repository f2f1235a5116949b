#!/usr/bin/env bash
# Installs the Debian packages needed to build, test and run Tremolundrix.
# Idempotent and quiet when everything is already present.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev libgl-dev libxcb1-dev fonts-dejavu-extra
    libgtest-dev libgmock-dev libbenchmark-dev
    libavcodec-dev libavformat-dev libavutil-dev libswresample-dev
    libfluidsynth-dev fluid-soundfont-gm timgm6mb-soundfont fluidsynth
    libcurl4-openssl-dev
    libhwy-dev
    xvfb xauth imagemagick sox
    appstream desktop-file-utils dpkg-dev
    clang-format clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
        SUDO=sudo
    else
        echo "install-deps: missing packages (${missing[*]}); run this script as root" >&2
        exit 1
    fi
else
    SUDO=
fi

echo "install-deps: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
