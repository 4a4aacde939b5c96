#!/usr/bin/env bash
# Runs every test from a fresh clone: installs what is missing, builds both
# builds, runs the native unit tests, the checks of the built executable and
# the end-to-end tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/bootstrap.sh

echo "== native build and unit tests"
cmake --preset host >/dev/null
cmake --build --preset host
ctest --preset host

echo "== Windows build"
cmake --preset win32 >/dev/null
cmake --build --preset win32

echo "== executable checks and end-to-end tests under Wine"
/usr/bin/python3 -m pytest -q -n 2 tests
