#!/bin/bash
# Installs what building and testing need on Debian 12 (run as root, or with sudo available);
# clang and its runtime libraries (libFuzzer, the sanitizers) build the native fuzz targets.
set -euo pipefail
packages=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 cmake ninja-build googletest python3
          wine wine64 wine32:i386 xvfb wixl msitools imagemagick xdotool x11-utils fonts-liberation
          osslsigncode openssl clang libclang-rt-14-dev)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then $sudo dpkg --add-architecture i386; fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
