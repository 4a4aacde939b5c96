#!/usr/bin/env bash
# Installs everything a fresh Debian 12 needs to build and test the setup
# program: the native toolchain, GoogleTest and OpenSSL's libcrypto (the
# checker's catalog reader), the MinGW-w64 cross compilers, Wine with its
# 32-bit part, and the tools the tests use (among them a virtual X display,
# xdotool and ImageMagick for the test that clicks through the installer's
# wizard). Idempotent: when everything is there it only checks, in well
# under a second.
#
# Prints one line per step; the package manager's own output goes to
# build/bootstrap.log, and its last lines are shown only when a step fails.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
log="$repo/build/bootstrap.log"

PACKAGES=(
  cmake ninja-build g++ googletest libgtest-dev nlohmann-json3-dev libssl-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 wine32:i386
  icoutils python3 python3-pefile python3-pytest python3-pytest-xdist python3-pytest-rerunfailures
  clang clang-format libclang-rt-14-dev osslsigncode openssl locales
  xvfb xdotool imagemagick
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  echo "bootstrap: all ${#PACKAGES[@]} packages present"
  exit 0
fi

sudo=()
if [[ $(id -u) -ne 0 ]]; then sudo=(sudo); fi
mkdir -p "$(dirname "$log")"
: >"$log"

# step DESCRIPTION COMMAND...: runs the command with its output in the log.
step() {
  local what=$1
  shift
  echo "bootstrap: $what"
  echo "==== $what: $*" >>"$log"
  if ! "$@" >>"$log" 2>&1; then
    echo "bootstrap: failed: $what; the last lines of $log:" >&2
    tail -n 25 "$log" >&2
    exit 1
  fi
}

echo "bootstrap: ${#missing[@]} of ${#PACKAGES[@]} packages missing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  step "adding the i386 architecture (for Wine's 32-bit part)" "${sudo[@]}" dpkg --add-architecture i386
fi
step "updating the package lists (apt-get update)" "${sudo[@]}" apt-get update
step "installing ${#missing[@]} packages (apt-get install)" \
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
echo "bootstrap: done (the package manager's output is in $log)"
