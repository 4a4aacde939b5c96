#!/usr/bin/env bash
# Installs everything a fresh Debian 12 needs to build and test the setup
# program: the native toolchain and GoogleTest, the MinGW-w64 cross compilers,
# Wine with its 32-bit part, and the tools the tests use. Idempotent: when
# everything is there it only checks, in well under a second.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ googletest libgtest-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 wine32:i386
  icoutils python3 python3-pefile python3-pytest python3-pytest-xdist python3-pytest-rerunfailures
  clang libclang-rt-14-dev osslsigncode openssl locales
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "bootstrap: installing ${missing[*]}"
  SUDO=""
  if [[ $(id -u) -ne 0 ]]; then SUDO=sudo; fi
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "bootstrap: all packages present"
fi
