#!/usr/bin/env bash
# Builds the library and runs the example client against the scripted decoder,
# with an output folder standing in for the system drive, then shows the logs.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-packages.sh build decoder

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target basic_client m4playerApi_scripted >/dev/null

out="$PWD/build/example-run"
rm -rf "$out" && mkdir -p "$out/q81/cfg"
printf '[GLOBAL]\n[TRACE_PATH] [%s/logs/]\n[DEBUG_LEVEL] [1]\n' "$out" > "$out/q81/cfg/Q81.cfg"

(cd "$out" && Q81_DRIVE_ROOT="$out" LD_LIBRARY_PATH="$OLDPWD/build/scripted" "$OLDPWD/build/bin/basic_client" "" "$out/capture.bmp")
echo
echo "Logs (GBK text) are in $out/logs/:"
ls -l "$out/logs"
echo "First entries of the runtime log, shown in UTF-8:"
head -n 10 "$out/logs/ZQ_Player_Runtime.log" | iconv -f GBK -t UTF-8
