#!/usr/bin/env bash
# Runs every test: the Linux suite (the player against the scripted decoder,
# the FFmpeg decoder, the demo viewer's logic), the same suite under the
# sanitizers, the Windows DLL's suite under wine, and the installed SDK and its
# packages with clients built outside the tree. Installs what it needs
# when it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-packages.sh build-essential cmake pkg-config libgtest-dev \
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev \
  libx11-dev libxext-dev libasound2-dev ffmpeg xvfb xauth
# The demo viewer counts pictures through the X server's DAMAGE extension.
scripts/install-packages.sh libxdamage-dev

echo "== Linux suite"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Debug
cmake --build build -j2
ctest --test-dir build -j2 --timeout 300 --output-on-failure

echo "== Linux suite under the sanitizers"
scripts/test-sanitizers.sh

echo "== Windows suite under wine"
scripts/test-windows.sh

echo "== The SDK as clients install and link it"
scripts/test-packaging.sh
