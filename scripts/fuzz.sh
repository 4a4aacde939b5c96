#!/usr/bin/env bash
# Builds the libFuzzer targets (the core's *_fuzz.cpp and the distribution
# checker's readers, with clang, ASan and UBSan) and runs each for SECONDS
# seconds (default 30: a campaign of its own; scripts/test.sh runs a short
# pass), starting from its committed seed corpus, as many at once as the
# machine has cores. Prints each target's execution count; exits non-zero when
# a target finds a crash, leaving the input that causes it in
# build/fuzz/artifacts/.
#
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-30}"
# The fuzz targets are built by the host-asan preset (clang, ASan, UBSan) beside
# the sanitized unit tests; what fuzzing makes goes to build/fuzz/.
build=build/host-asan
out=build/fuzz
artifacts="$out/artifacts"

cmake --preset host-asan >/dev/null
cmake --build --preset host-asan --target setup_fuzz_targets

mkdir -p "$artifacts"
# Each target: its fuzzer binary and its seed corpus. The core's targets take
# their seeds from tests/fuzz/corpus/<target>/; the distribution checker's from
# its Setup.ini and package INF corpora (shared with the differential test),
# the INF inputs that fuzzing found, its PE seeds and its catalog seeds (catalogs
# of the project's writer, one cut short) (folders separated by ',').
targets=()
for source in app/*_fuzz.cpp env/*_fuzz.cpp package/*_fuzz.cpp framework/*_fuzz.cpp; do
  [[ -f $source ]] || continue
  name=$(basename "$source" .cpp)
  targets+=("$name:tests/fuzz/corpus/${name%_fuzz}")
done
targets+=("distcheck_inf_fuzz:tests/release/ini-corpus,tests/release/inf-corpus,tools/distcheck/fuzz-seeds/inf"
  "distcheck_pe_fuzz:tools/distcheck/fuzz-seeds/pe"
  "distcheck_catalog_fuzz:tools/distcheck/fuzz-seeds/catalog")

# run_target ENTRY: runs one target; its line of the table goes to
# $out/<target>.result, the fuzzer's own output to $out/<target>.log.
run_target() {
  local entry=$1 name seeds fuzzer target dict work options log result executions corpus
  name=${entry%%:*}
  IFS=',' read -r -a seeds <<<"${entry#*:}"
  fuzzer="$build/$name"
  target=${name%_fuzz}
  dict=tests/fuzz/dict/$target.dict
  # New inputs go to a scratch corpus, never into the committed seeds.
  work="$out/corpus/$target"
  mkdir -p "$work"
  options=(-max_total_time="$seconds" -max_len=8192 -timeout=10 -rss_limit_mb=2048
    -print_final_stats=1 -artifact_prefix="$artifacts/$target-")
  [[ -f $dict ]] && options+=(-dict="$dict")
  log="$out/$target.log"
  result=ok
  if ! "$fuzzer" "${options[@]}" "$work" "${seeds[@]}" >"$log" 2>&1; then
    result="CRASH (see $log and $artifacts/)"
  fi
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  corpus=$(find "$work" -type f | wc -l)
  printf '%-32s %12s %8s %s\n' "$target" "${executions:-?}" "$corpus" "$result" >"$out/$target.result"
  if [[ $result != ok ]]; then grep -E "ERROR|SUMMARY|Test unit written" "$log" | head -5 \
    >>"$out/$target.result"; fi
}

# As many targets at a time as there are cores: each fuzzer uses one.
jobs=$(nproc)
running=0
for entry in "${targets[@]}"; do
  run_target "$entry" &
  running=$((running + 1))
  if ((running >= jobs)); then
    wait -n || true
    running=$((running - 1))
  fi
done
wait || true

failed=0
printf '%-32s %12s %8s %s\n' target executions corpus result
for entry in "${targets[@]}"; do
  name=${entry%%:*}
  cat "$out/${name%_fuzz}.result"
  grep -q ' ok$' "$out/${name%_fuzz}.result" || failed=1
done
exit "$failed"
