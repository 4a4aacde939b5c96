#!/bin/sh
# Speed benchmark of Setup.exe under Wine (see bench/README.md).
#
#   bench/run.sh [--quick] [options: --sizes 1000,5000,10000 --rounds 41,21,21
#                 --startup-rounds 41 --profile-size 100]
#
# Builds Setup.exe and the benchmark's programs in a build directory of their
# own (ZAVCIR_BENCH_BUILD, default build/bench-win32; same toolchain and build
# type as the win32 preset), then runs the benchmark (zavcir/bench/), which
# prints the figures.
# Where Wine cannot run 32-bit programs (or with SETUP_TESTS_WITHOUT_32BIT=1),
# the 64-bit test build is measured instead (default build/bench-win64), and the
# figures say so.
set -eu
repo=$(cd "$(dirname "$0")/.." && pwd)
bits=$(cd "$repo" && /usr/bin/python3 -m zavcir.wine | cut -d' ' -f1)
if [ "$bits" = 64 ]; then
  toolchain=$repo/cmake/mingw-x86_64.cmake
  build=${ZAVCIR_BENCH_BUILD:-$repo/build/bench-win64}
  echo "bench/run.sh: Wine cannot run 32-bit programs here: measuring the 64-bit test build" >&2
else
  toolchain=$repo/cmake/mingw-i686.cmake
  build=${ZAVCIR_BENCH_BUILD:-$repo/build/bench-win32}
fi

mkdir -p "$build"
build=$(cd "$build" && pwd)
log=$build/bench-build.log
if ! { cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
         -DCMAKE_BUILD_TYPE=MinSizeRel && cmake --build "$build" --target bench; } >"$log" 2>&1; then
  cat "$log" >&2
  echo "bench/run.sh: the build failed" >&2
  exit 1
fi
cd "$repo"
exec /usr/bin/python3 -m zavcir.bench --build-dir "$build" "$@"
