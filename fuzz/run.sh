#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer and runs each for SECONDS
# (default 60), starting from the corpora in fuzz/corpus. New inputs collect
# in the build folder; MERGE=1 folds them, minimised, back into fuzz/corpus.
#   fuzz/run.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
SECONDS_EACH=${1:-60}
shift || true
TARGETS=("$@")
[ ${#TARGETS[@]} -gt 0 ] || TARGETS=(settings vmz tla recording decoders)

. ./scripts/deps.sh
DARURI_PACKAGES+=(clang libclang-rt-dev)
ensure_deps

BUILD=${FUZZ_BUILD_DIR:-$ROOT/build-fuzz}
CC=clang CXX=clang++ cmake -S fuzz/engine -B "$BUILD" -DCMAKE_BUILD_TYPE=Debug $(command -v ccache >/dev/null && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache) >/dev/null
cmake --build "$BUILD" -j"${JOBS:-2}" --target "${TARGETS[@]/#/fuzz_}"

# No allocation stacks: they halve the speed. Run a failing input again with
# ASAN_OPTIONS=malloc_context_size=30 for them.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:malloc_context_size=0}
# The settings and recording targets write files: into memory where there is some.
[ -w /dev/shm ] && export TMPDIR=${TMPDIR:-/dev/shm}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QT_QPA_PLATFORM=offscreen

# The longest input worth trying: a file of each kind is a few hundred bytes
# (an ignition table of 111 bands some 1000), a reply some dozens.
declare -A MAX_LEN=([settings]=256 [vmz]=2048 [tla]=512 [recording]=512 [decoders]=512)
declare -A EXECUTED RESULT
failed=0
for t in "${TARGETS[@]}"; do
  work="$BUILD/corpus/$t"
  artifacts="$BUILD/artifacts/$t"
  mkdir -p "$work" "$artifacts"
  log="$BUILD/$t.log"
  echo "== $t: $SECONDS_EACH s"
  if "$BUILD/fuzz_$t" -max_total_time="$SECONDS_EACH" -print_final_stats=1 -max_len="${MAX_LEN[$t]:-1024}" -timeout=10 \
       -rss_limit_mb=2048 -artifact_prefix="$artifacts/" "$work" "fuzz/corpus/$t" >"$log" 2>&1; then
    RESULT[$t]=clean
  else
    RESULT[$t]="FAILED (see $log, inputs in $artifacts)"
    failed=1
  fi
  EXECUTED[$t]=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  if [ "${MERGE:-0}" = 1 ] && [ "${RESULT[$t]}" = clean ]; then
    # One input per edge reached keeps a corpus to a few dozen files. Inputs
    # with a name of their own (a finding's input) stay as they are.
    merged="$BUILD/merged/$t"
    rm -rf "$merged" && mkdir -p "$merged"
    find "fuzz/corpus/$t" -type f -regextype posix-extended ! -regex '.*/[0-9a-f]{40}' -exec cp {} "$merged/" \;
    "$BUILD/fuzz_$t" -merge=1 -use_counters=0 -max_len="${MAX_LEN[$t]:-1024}" "$merged" "fuzz/corpus/$t" "$work" \
      >>"$log" 2>&1
    rm -f fuzz/corpus/"$t"/* && cp "$merged"/* "fuzz/corpus/$t/"
  fi
done

echo
printf '%-10s %12s %8s  %s\n' target executions seconds result
for t in "${TARGETS[@]}"; do
  printf '%-10s %12s %8s  %s\n' "$t" "${EXECUTED[$t]:-?}" "$SECONDS_EACH" "${RESULT[$t]}"
done
exit $failed
