#!/usr/bin/env bash
# Runs every test: the Linux suite (the player against the scripted decoder,
# the FFmpeg decoder, the demo viewer's logic), a one-minute soak, the same
# suite under the sanitizers, the Windows DLL's suite under wine, and the
# installed SDK and its packages with clients built outside the tree.
# Installs what it needs when it is missing. Every suite runs even when one
# before it failed; the run ends with one line per suite and a last line that
# says whether all passed.
set -euo pipefail
cd "$(dirname "$0")/.."

# The groups are in scripts/packages.list: the viewer's tests need a virtual
# X server with DAMAGE, the live-source test an RTSP camera on GStreamer.
scripts/install-packages.sh build decoder viewer live

logs=$(mktemp -d "${TMPDIR:-/tmp}/kelo-test-logs.XXXXXX")
trap 'rm -rf "$logs"' EXIT
summaries=()
failed=()

# run_suite NAME COMMAND...: runs the suite with its output shown and kept,
# and notes a line for the summary: ctest's counts, or the suite's last line.
run_suite() {
  local name=$1 log status started counts
  shift
  log="$logs/${#summaries[@]}.log"
  echo
  echo "== $name"
  started=$(date +%s)
  status=0
  "$@" 2>&1 | tee "$log" || status=$?
  counts=$(awk '
    /tests passed, [0-9]+ tests failed out of/ { total += $NF; failures += $4 }
    /^[[:space:]]*[0-9]+ - .*\(Skipped\)$/ { skipped++ }
    END { if (total) printf "%d passed, %d failed, %d skipped", total - failures - skipped, failures, skipped }
  ' "$log")
  [ -n "$counts" ] || counts=$(grep -v -e '^[[:space:]]*$' -e '^== ' "$log" | tail -n 1 || true)
  summaries+=("$(printf '%-34s %s (%d s)' "$name:" "$counts" $(($(date +%s) - started)))")
  if [ "$status" -ne 0 ]; then
    summaries[-1]+=" FAILED"
    failed+=("$name")
  fi
  # The failed tests by name, so that the summary alone says what to look at.
  local failures
  failures=$(awk '
    /The following tests FAILED:/ { listing = 1; next }
    listing && /^[[:space:]]*[0-9]+ - / { sub(/^[[:space:]]*[0-9]+ - /, "    failed: "); print; next }
    { listing = 0 }
  ' "$log")
  [ -z "$failures" ] || summaries[-1]+=$'\n'"$failures"
}

run_suite "Linux suite" bash -c '
  cmake -S . -B build-debug -DCMAKE_BUILD_TYPE=Debug >/dev/null &&
  cmake --build build-debug -j2 &&
  ctest --test-dir build-debug -j2 --timeout 300 --output-on-failure'
# A minute of channels opening and closing and live sources dropping, in the
# build the Linux suite made: nothing may grow.
run_suite "Soak, 60 s" scripts/soak.sh 60
run_suite "AddressSanitizer + UBSan" scripts/test-sanitizers.sh asan
run_suite "ThreadSanitizer" scripts/test-sanitizers.sh tsan
run_suite "Windows suite under wine" scripts/test-windows.sh
run_suite "SDK installed and packaged" scripts/test-packaging.sh

echo
echo "== Summary"
printf '%s\n' "${summaries[@]}"
if [ ${#failed[@]} -eq 0 ]; then
  echo "All ${#summaries[@]} suites passed."
else
  echo "FAILED: ${failed[*]}"
  exit 1
fi
