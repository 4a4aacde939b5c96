#!/usr/bin/env bash
# Prints what the distribution checker's catalog check costs (bench/README.md,
# "Catalog check"). Not a test: scripts/test.sh does not run it.
#
#   bench/catalog.sh [INF]     default: the largest real package of ../shared/driver-packages
set -euo pipefail
cd "$(dirname "$0")/.."
inf=${1:-../shared/driver-packages/adafruit-usbser-before-pr24/Adafruit_usbser.inf}
cmake --preset host >/dev/null
cmake --build --preset host --target distcheck_catalog_bench >/dev/null
build/host/distcheck_catalog_bench "$inf"
