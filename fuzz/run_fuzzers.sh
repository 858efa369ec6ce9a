#!/bin/sh
# Builds the fuzz targets with clang and runs each for a bounded time over its
# seed corpus, the text conversions a second time on a desktop whose decimal
# separator is a comma. Any crash, sanitizer report or broken invariant fails
# the run; the input that caused it is kept in BUILD_DIR/artifacts.
#   run_fuzzers.sh BUILD_DIR SECONDS_PER_RUN [MAX_RUNS]
set -eu

build=${1:?build directory}
seconds=${2:?seconds per run}
runs=${3:--1}
here=$(cd "$(dirname "$0")" && pwd)

cmake -S "$here" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j 2
mkdir -p "$build/artifacts" "$build/locale"
# Compiled into the build tree, so that no system locale has to be installed.
localedef -i de_DE -f UTF-8 "$build/locale/de_DE.UTF-8"

# fuzz TARGET LABEL: one bounded run. New inputs go to the scratch corpus
# first on the list; the committed seeds are only read.
fuzz() {
  scratch="$build/corpus/$1"
  log="$build/$2.log"
  mkdir -p "$scratch"
  echo "== $2: ${seconds}s"
  "$build/$1" "$scratch" "$here/corpus/$1" \
    -max_total_time="$seconds" -runs="$runs" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$2-" 2>"$log" \
    || { tail -n 40 "$log"; echo "== $2 FAILED (log: $log)"; exit 1; }
  grep -E '^stat::number_of_executed_units' "$log" || true
}

fuzz fuzz_text_to_number fuzz_text_to_number
LOCPATH="$build/locale" LC_ALL=de_DE.UTF-8 fuzz fuzz_text_to_number fuzz_text_to_number_de
fuzz fuzz_message_assembly fuzz_message_assembly
fuzz fuzz_number_rules fuzz_number_rules
fuzz fuzz_whole_message fuzz_whole_message
