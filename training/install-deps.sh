#!/bin/sh
# Debian packages for training and evaluating the accurate engine's network.
set -e
apt-get install -y --no-install-recommends \
    python3-torch python3-numpy python3-mir-eval python3-matplotlib \
    fluidsynth fluid-soundfont-gm musescore-general-soundfont timgm6mb-soundfont
