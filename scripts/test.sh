#!/usr/bin/env bash
# Runs every test from a fresh clone: installs what is missing, checks the C++
# sources' format, makes each build once (the native one under the sanitizers,
# the fuzz targets, the Windows build and the 64-bit test build), runs the
# native unit tests, a short pass of every fuzz target, the checks of the built
# executable and the end-to-end tests under Wine, and ends with what those ran
# against.
#
# The long fuzz campaigns are a command of their own (scripts/fuzz.sh, 30 s a
# target); so is the benchmark (bench/run.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/bootstrap.sh
start=$SECONDS
# Prints a phase's header with the time since the start.
phase() { echo "== $1 ($((SECONDS - start)) s)"; }

# The template prefixes that the tests under Wine clone are made meanwhile,
# from Wine alone; the tests would wait for them otherwise.
mkdir -p build
/usr/bin/python3 -m zavcir.wine templates >build/templates.log 2>&1 &
templates=$!

# The C++ sources as the repository's .clang-format lays them out; a file that
# differs fails the run here, in a second, before any build.
phase "format of the C++ sources (clang-format)"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror

# One native build for the unit tests and for the programs the Python tests
# run (the checker, the catalog tool, the INF probe): with AddressSanitizer and
# UndefinedBehaviorSanitizer, so that those programs are checked as they run too.
phase "native build and unit tests, under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset host-asan >/dev/null
cmake --build --preset host-asan
ctest --preset host-asan
export ZAVCIR_HOST_BUILD="$PWD/build/host-asan"

phase "fuzz targets, a short pass (5 s each; scripts/fuzz.sh runs the long one)"
scripts/fuzz.sh 5

phase "Windows build"
cmake --preset win32 >/dev/null
cmake --build --preset win32

# Where Wine cannot run 32-bit programs (a kernel without IA32 emulation), or
# with SETUP_TESTS_WITHOUT_32BIT=1, the end-to-end tests run the 64-bit test
# build under wine64 instead (never shipped); the tests whose subject is the
# 32-bit program itself are skipped there, each with its reason. Elsewhere a
# test of the harness runs a few tests against it (Setup.exe and the installer
# stand-ins), which is all that is built of it then.
read -r bits why < <(/usr/bin/python3 -m zavcir.wine)
phase "64-bit test build"
cmake --preset win64 >/dev/null
if [ "$bits" = 64 ]; then
  echo "NOTE: the end-to-end tests run against the 64-bit test build: $why"
  cmake --build --preset win64
else
  cmake --build --preset win64 --target Setup dpinst_standin64 dpinst_standin32
fi

wait "$templates" || echo "NOTE: making the template prefixes failed (build/templates.log); the tests try again"
phase "executable checks and end-to-end tests under Wine"
# The tests under Wine mostly wait (for Wine's servers, for programs that
# sleep and poll), so they run four at a time on two cores. Wine under load has
# shown a rare failure to start a run that did not recur: a failed test is run
# once more ("R" in the progress line, "rerun" in the summary), and its support
# log is printed with the failure. The summary also says why tests were skipped.
summary=build/test-results/end-to-end.txt
rm -f "$summary"
status=0
/usr/bin/python3 -m pytest -q -rsR -n 4 --reruns 1 --reruns-delay 2 tests || status=$?

# What the end-to-end tests ran against, last, where nobody can miss it.
phase "end-to-end tests"
if [ -f "$summary" ]; then cat "$summary"; else echo "end-to-end: none ran"; fi
exit "$status"
