#!/usr/bin/env bash
# Runs every test from a fresh clone: installs what is missing, makes the
# native build, the Windows build and the 64-bit test build, runs the native
# unit tests (also under the sanitizers), the fuzz targets briefly, the checks
# of the built executable and the end-to-end tests under Wine, and ends with
# what those ran against.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/bootstrap.sh

echo "== native build and unit tests"
cmake --preset host >/dev/null
cmake --build --preset host
ctest --preset host

echo "== unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset host-asan >/dev/null
cmake --build --preset host-asan
ctest --preset host-asan

echo "== fuzz targets, 30 s each"
scripts/fuzz.sh 30

echo "== Windows build"
cmake --preset win32 >/dev/null
cmake --build --preset win32

# Where Wine cannot run 32-bit programs (a kernel without IA32 emulation), or
# with SETUP_TESTS_WITHOUT_32BIT=1, the end-to-end tests run the 64-bit test
# build under wine64 instead (never shipped); the tests whose subject is the
# 32-bit program itself are skipped there, each with its reason. It is built
# everywhere: a test of the harness runs a few tests against it on any machine.
echo "== 64-bit test build"
cmake --preset win64 >/dev/null
cmake --build --preset win64
read -r bits why < <(/usr/bin/python3 -m zavcir.wine)
if [ "$bits" = 64 ]; then
  echo "NOTE: the end-to-end tests run against the 64-bit test build: $why"
fi

echo "== executable checks and end-to-end tests under Wine"
# Wine under load on two cores has shown a rare failure to start a run that did
# not recur: a failed test is run once more ("R" in the progress line, "rerun"
# in the summary), and its support log is printed with the failure. The
# summary also says why tests were skipped.
summary=build/test-results/end-to-end.txt
rm -f "$summary"
status=0
/usr/bin/python3 -m pytest -q -rR -rs -n 2 --reruns 1 --reruns-delay 2 tests || status=$?

# What the end-to-end tests ran against, last, where nobody can miss it.
echo "== end-to-end tests"
if [ -f "$summary" ]; then cat "$summary"; else echo "end-to-end: none ran"; fi
exit "$status"
