#!/usr/bin/env bash
# The setup program's main job, shown under Wine on distributions that
# scripts/make-dist.sh makes from the bundled sample packages: install, upgrade
# to a newer version, uninstall, with a short report of what changed after each
# step. Works from a fresh clone: installs what is missing, builds Setup.exe
# and the installer stand-in, then runs the demo (zavcir/demo.py), which makes
# the distributions in build/demo/ and runs them in a throwaway Wine prefix that
# it always removes again.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/bootstrap.sh

mkdir -p build
log=build/demo-build.log
# Where Wine cannot run 32-bit programs, the 64-bit test build runs instead.
presets=(win32)
read -r bits _ < <(/usr/bin/python3 -m zavcir.wine)
[ "$bits" = 64 ] && presets+=(win64)
echo "demo: building Setup.exe and the installer stand-in (${presets[*]}; output in $log) ..."
build() {
  for preset in "$@"; do
    cmake --preset "$preset" && cmake --build --preset "$preset" || return 1
  done
}
if ! build "${presets[@]}" >"$log" 2>&1; then
  tail -n 40 "$log" >&2
  echo "demo: the build failed (whole output in $log)" >&2
  exit 1
fi

exec /usr/bin/python3 -m zavcir.demo
