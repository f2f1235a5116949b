#!/usr/bin/env bash
# Builds Tremolundrix and starts the desktop program; with arguments, runs the
# command-line converter instead (for example: ./run.sh song.wav).
set -euo pipefail
orig=$(pwd)
cd "$(dirname "$0")"
top=$(pwd)
scripts/install-deps.sh
build=${TREMOLUNDRIX_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --parallel "$(nproc)" >/dev/null
if [ $# -gt 0 ]; then
    cd "$orig"
    exec "$top/$build/tremolundrix-cli" "$@"
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run.sh: no display found; to convert from the command line, run ./run.sh FILE.wav (see ./run.sh --help)" >&2
    exit 1
fi
exec "$top/$build/tremolundrix"
