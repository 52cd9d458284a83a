#!/usr/bin/env bash
# Runs every test: the Linux suite against the scripted decoder. Installs what
# it needs when it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-packages.sh build-essential cmake pkg-config libgtest-dev

cmake -S . -B build -DCMAKE_BUILD_TYPE=Debug
cmake --build build -j2
ctest --test-dir build -j2 --output-on-failure
