#!/usr/bin/env bash
# From driver packages to a shippable distribution: builds Setup.exe, lays out
# the distribution folder, signs Setup.exe when the signing variables are set,
# checks the folder with zavcir-distcheck and archives it reproducibly.
#
#   scripts/make-dist.sh --x86 DIR --amd64 DIR --dpinst-x86 FILE --dpinst-x64 FILE --out DIR
#                        [--package TAG=DIR ...]
#
# Exit code 0 made, 2 refused, 1 a tool failed. Details: zavcir/make_dist/,
# README ("Shipping a release").
set -euo pipefail
# Started from the repository root, where the package is; the paths given are
# relative to the folder it was started from, which it goes back to.
caller=$PWD
cd "$(dirname "$0")/.."
ZAVCIR_CALLER_DIR=$caller exec /usr/bin/python3 -m zavcir.make_dist "$@"
