#!/usr/bin/env bash
# Installs what building and testing need on Debian 12; does nothing for what is already there.
set -euo pipefail

packages=(cmake g++ googletest libgtest-dev g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686
          wine wine64 xvfb xdotool imagemagick
          # kr8finder-offline: the hive library, and two other readers of hives for its road
          libhivex-dev libhivex-bin reglookup libregf-utils)
# 32-bit Wine, for the machines that can run 32-bit Linux code.
packages32=(wine32:i386)

missing=()
for p in "${packages[@]}" "${packages32[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
