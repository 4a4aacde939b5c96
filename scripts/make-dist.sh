#!/usr/bin/env bash
# From driver packages to a shippable distribution: builds Setup.exe, lays out
# the distribution folder, signs Setup.exe when the signing variables are set,
# checks the folder with zavcir-distcheck and archives it reproducibly.
#
#   scripts/make-dist.sh --x86 DIR --amd64 DIR --dpinst-x86 FILE --dpinst-x64 FILE --out DIR
#                        [--package TAG=DIR ...]
#
# Exit code 0 made, 2 refused, 1 a tool failed. Details: scripts/make_dist.py,
# README ("Shipping a release").
set -euo pipefail
exec /usr/bin/python3 "$(dirname "$0")/make_dist.py" "$@"
