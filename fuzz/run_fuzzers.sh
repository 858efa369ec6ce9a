#!/bin/sh
# Builds the fuzz targets with clang and runs each for a bounded time over its
# seed corpus. Any crash, sanitizer report or broken invariant fails the run;
# the input that caused it is kept in BUILD_DIR/artifacts.
#   run_fuzzers.sh BUILD_DIR SECONDS_PER_TARGET [MAX_RUNS]
set -eu

build=${1:?build directory}
seconds=${2:?seconds per target}
runs=${3:--1}
here=$(cd "$(dirname "$0")" && pwd)

cmake -S "$here" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j 2

mkdir -p "$build/artifacts"
for target in fuzz_text_to_number fuzz_message_assembly fuzz_number_rules; do
  # New inputs go to the scratch corpus first on the list; the committed
  # seeds are only read.
  scratch="$build/corpus/$target"
  mkdir -p "$scratch"
  echo "== $target: ${seconds}s"
  "$build/$target" "$scratch" "$here/corpus/$target" \
    -max_total_time="$seconds" -runs="$runs" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$target-" 2>"$build/$target.log" \
    || { tail -n 40 "$build/$target.log"; echo "== $target FAILED (log: $build/$target.log)"; exit 1; }
  grep -E '^stat::number_of_executed_units|^Done' "$build/$target.log" || true
done
