#!/usr/bin/env bash
# check-windows-dll.sh OBJDUMP DLL DECODER_DEF
# Checks the interface of Kelo820_PlaySDK.dll as a client and the loader see
# it: a 32-bit x86 image that exports exactly CreateSinglePlayerDll and
# ReleaseSinglePlayerDll, imports nothing but system DLLs and m4playerApi.dll,
# and takes from m4playerApi.dll every function of DECODER_DEF under its
# undecorated name.
set -euo pipefail
objdump=$1
dll=$2
decoder_def=$3

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

headers=$("$objdump" -f "$dll")
echo "$headers" | grep -q 'architecture: i386' || fail "not an i386 image"

table=$("$objdump" -p "$dll")

exports=$(echo "$table" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p' | sort | tr '\n' ' ')
[ "$exports" = "CreateSinglePlayerDll ReleaseSinglePlayerDll " ] ||
  fail "exports are '$exports'"

# The import table, one "DLL name" line per imported function.
imports=$(echo "$table" | awk '
  /^The Import Tables/ { inImports = 1 }
  /^The Export Tables/ { inImports = 0 }
  inImports && /DLL Name:/ { dll = $3; next }
  inImports && dll != "" && NF == 3 && $2 ~ /^[0-9]+$/ { print dll, $3 }')

dlls=$(echo "$imports" | cut -d' ' -f1 | sort -u | tr '\n' ' ')
for name in $dlls; do
  case "$name" in
    m4playerApi.dll) ;;
    # The compiler's runtime DLLs: they must be linked in, not imported.
    lib*.dll) fail "imports the runtime DLL $name" ;;
  esac
done

decoder_imports=$(echo "$imports" | sed -n 's/^m4playerApi\.dll //p' | sort | tr '\n' ' ')
expected=$(sed -n 's/^[[:space:]]*\(PlayM4_[A-Za-z]*\)@[0-9]*.*/\1/p' "$decoder_def" | sort |
  tr '\n' ' ')
[ "$(echo "$expected" | wc -w)" -eq 27 ] || fail "$decoder_def does not list 27 functions"
[ "$decoder_imports" = "$expected" ] ||
  fail "imports from m4playerApi.dll: '$decoder_imports', expected '$expected'"

if [ "$failures" -ne 0 ]; then exit 1; fi
echo "$dll: i386; exports $exports; imports from $dlls"
