#!/usr/bin/env bash
# Runs every test: the Linux suite against the scripted decoder. Installs what
# it needs when it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-packages.sh build-essential cmake pkg-config libgtest-dev \
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev \
  libx11-dev libxext-dev libasound2-dev ffmpeg xvfb xauth
# The demo viewer counts pictures through the X server's DAMAGE extension.
scripts/install-packages.sh libxdamage-dev

cmake -S . -B build -DCMAKE_BUILD_TYPE=Debug
cmake --build build -j2
ctest --test-dir build -j2 --output-on-failure
