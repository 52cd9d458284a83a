#!/usr/bin/env bash
# install-packages.sh GROUP...: installs the Debian packages of the named
# groups of scripts/packages.list that are not installed yet (apt-get update
# first), and nothing when all are present. Packages of the form name:i386
# enable the i386 architecture first. Says what it installs, and shows apt's
# own lines as it goes.
set -euo pipefail

list="$(dirname "$0")/packages.list"
wanted=()
for group in "$@"; do
  line=$(grep -E "^$group:" "$list" || true)
  if [ -z "$line" ]; then
    echo "install-packages.sh: no group '$group' in $list" >&2
    exit 2
  fi
  read -r -a packages <<<"${line#*:}"
  wanted+=("${packages[@]}")
done

missing=()
for package in $(printf '%s\n' "${wanted[@]}" | sort -u); do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
if printf '%s\n' "${missing[@]}" | grep -q ':i386$'; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "Enabling the i386 architecture (for 32-bit wine)"
    $sudo dpkg --add-architecture i386
  fi
fi
echo "Installing ${#missing[@]} Debian packages and what they need: ${missing[*]}"
echo "Updating the package lists"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
echo "Installed: ${missing[*]}"
