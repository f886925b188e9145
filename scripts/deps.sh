#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# The shipped program is 32-bit: where the kernel runs 32-bit code, Wine's
# 32-bit half (wine32, of the i386 architecture) is installed beside wine64.
set -euo pipefail
packages=(
  cmake ninja-build clang libclang-rt-14-dev googletest libbenchmark-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64
  wine64 xvfb xauth fonts-wine
  zlib1g-dev libdeflate-dev libzip-dev zip unzip
  osslsigncode openssl libssl-dev python3
)
here=$(dirname "$0")
foreign=()
if "$here/runs-32bit" 2>/dev/null; then
  dpkg --print-foreign-architectures | grep -qx i386 || foreign+=(i386)
  packages+=(wine32:i386)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
for arch in "${foreign[@]}"; do dpkg --add-architecture "$arch"; done
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
