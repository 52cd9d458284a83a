#!/usr/bin/env bash
# check-decoder-dll.sh OBJDUMP DLL DECODER_DEF
# Checks the FFmpeg decoder's m4playerApi.dll as the player and the loader
# see it: a 32-bit x86 image that exports exactly the functions of
# DECODER_DEF under their undecorated names, and imports no compiler runtime
# DLL and none of FFmpeg's: only system DLLs (FFmpeg's are delay-loaded, so
# that the decoder loads without them and says so when a stream opens).
set -euo pipefail
objdump=$1
dll=$2
decoder_def=$3

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

"$objdump" -f "$dll" | grep -q 'architecture: i386' || fail "not an i386 image"
table=$("$objdump" -p "$dll")

exports=$(echo "$table" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p' | sort | tr '\n' ' ')
expected=$(sed -n 's/^[[:space:]]*\(PlayM4_[A-Za-z]*\)@[0-9]*.*/\1/p' "$decoder_def" | sort |
  tr '\n' ' ')
[ "$(echo "$expected" | wc -w)" -eq 27 ] || fail "$decoder_def does not list 27 functions"
[ "$exports" = "$expected" ] || fail "exports are '$exports', expected '$expected'"

dlls=$(echo "$table" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort -u | tr '\n' ' ')
for name in $dlls; do
  case "$name" in
    lib*.dll) fail "imports the runtime DLL $name" ;;
    av*.dll | sw*.dll) fail "imports FFmpeg's $name at load time instead of delay-loading it" ;;
  esac
done

if [ "$failures" -ne 0 ]; then exit 1; fi
echo "$dll: i386; exports the $(echo "$exports" | wc -w) functions; imports from $dlls"
