#!/usr/bin/env bash
# Evaluates the beat tracking on rendered pieces of known tempo and prints
# the table of tempo accuracy and beat F-measure. Needs fluidsynth, the
# fluid-soundfont-gm and timgm6mb-soundfont SoundFonts and python3-mir-eval
# (installed when missing), and a built tremolundrix-cli.
# Usage: scripts/evaluate-beats.sh [WORKDIR [SEED]]; per-piece lines go to
# standard error, the table to standard output.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TREMOLUNDRIX_BUILD_DIR:-build}
missing=()
/usr/bin/python3 -c "import mir_eval" 2>/dev/null || missing+=(python3-mir-eval)
command -v fluidsynth >/dev/null || missing+=(fluidsynth)
[ -f /usr/share/sounds/sf2/FluidR3_GM.sf2 ] || missing+=(fluid-soundfont-gm)
[ -f /usr/share/sounds/sf2/TimGM6mb.sf2 ] || missing+=(timgm6mb-soundfont)
if [ ${#missing[@]} -gt 0 ]; then
    ${SUDO:-$( [ "$(id -u)" = 0 ] || echo sudo )} apt-get install -y "${missing[@]}"
fi
[ -x "$build/tremolundrix-cli" ] || cmake --build "$build" --target tremolundrix-cli
work=${1:-$(mktemp -d /tmp/trx-beats-XXXXXX)}
/usr/bin/python3 scripts/evaluate_beats.py --cli "$build/tremolundrix-cli" --work "$work" --seed "${2:-0}"
