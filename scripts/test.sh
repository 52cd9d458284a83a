#!/usr/bin/env bash
# Runs every test: the Linux suite (the player against the scripted decoder,
# the FFmpeg decoder, the demo viewer's logic), the same suite under the
# sanitizers, and the Windows DLL's suite under wine. Installs what it needs
# when it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-packages.sh build-essential cmake pkg-config libgtest-dev \
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev \
  libx11-dev libxext-dev libasound2-dev ffmpeg xvfb xauth
# The demo viewer counts pictures through the X server's DAMAGE extension;
# its live-source test runs an RTSP test camera on GStreamer.
scripts/install-packages.sh libxdamage-dev libgstrtspserver-1.0-dev \
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-ugly

echo "== Linux suite"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Debug
cmake --build build -j2
ctest --test-dir build -j2 --timeout 300 --output-on-failure

echo "== Linux suite under the sanitizers"
scripts/test-sanitizers.sh

echo "== Windows suite under wine"
scripts/test-windows.sh
