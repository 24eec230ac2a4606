#!/usr/bin/env bash
# Builds the fuzz targets (clang with libFuzzer, ASan and UBSan; asserts on) into build-fuzz/ and
# runs each on its seed corpus in fuzz/corpus/<target>/, several at once.
#
#   scripts/fuzz.sh [-t seconds] [-r runs] [-j parallel] [-n niceness] [target...]
#
#   -t  how long each target runs (default 10 s); with -r, whichever ends first
#   -r  how many inputs each target runs (default: no limit)
#   -j  how many targets run at once (default: the number of cores)
#   -n  niceness of the fuzzers (default 0; 19 leaves the machine to others)
#   targets: names such as skype_line or wave_header (default: every target)
#
# Inputs the fuzzers find go to build-fuzz/fuzz-corpus/<target>/ (kept between runs, never into the
# seeds); a crash, leak or hang leaves its input in build-fuzz/fuzz-findings/<target>/ and fails the
# script. Each target's log is build-fuzz/fuzz-logs/<target>.log; the summary gives runs and time.
# To replay one input: build-fuzz/fuzz/fuzz_<target> <file>.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=10
runs=-1
parallel=$(nproc)
niceness=0
while getopts "t:r:j:n:" option; do
  case $option in
    t) seconds=$OPTARG ;;
    r) runs=$OPTARG ;;
    j) parallel=$OPTARG ;;
    n) niceness=$OPTARG ;;
    *) sed -n '2,17p' "$0"; exit 2 ;;
  esac
done
shift $((OPTIND - 1))

build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DQAV_FUZZ=ON -DQAV_BUILD_TESTS=OFF -DQAV_BUILD_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g" \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" >/dev/null
cmake --build "$build" -j "$(nproc)" --target qav_fuzz_targets

if [ $# -eq 0 ]; then
  set -- $(ls fuzz/corpus)
fi
mkdir -p "$build/fuzz-logs"

# One target: its own scratch corpus first (libFuzzer adds to the first folder only), then the seeds.
run_one() {
  local target=$1 binary="$build/fuzz/fuzz_$1"
  [ -x "$binary" ] || { echo "$target: no such fuzz target" >"$build/fuzz-logs/$target.log"; return 1; }
  rm -rf "$build/fuzz-findings/$target"
  mkdir -p "$build/fuzz-corpus/$target" "$build/fuzz-findings/$target"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    nice -n "$niceness" "$binary" -max_total_time="$seconds" -runs="$runs" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/fuzz-findings/$target/" \
    "$build/fuzz-corpus/$target" "fuzz/corpus/$target" >"$build/fuzz-logs/$target.log" 2>&1
}
export -f run_one
export build seconds runs niceness

status=0
printf '%s\n' "$@" | xargs -P "$parallel" -I{} bash -c 'run_one {}' || status=1

printf '%-18s %12s %8s %10s  %s\n' target runs seconds "runs/s" result
for target in "$@"; do
  log="$build/fuzz-logs/$target.log"
  executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)
  if ls "$build/fuzz-findings/$target/" | grep -q .; then
    result="FOUND: $(ls "$build/fuzz-findings/$target/" | head -3 | tr '\n' ' ')(see $log)"
    status=1
  elif grep -q '^Done [0-9]* runs' "$log"; then
    result=clean
  else
    result="FAILED (see $log)"
    status=1
  fi
  rate=$([ -n "$took" ] && [ "$took" -gt 0 ] && echo $(( ${executed:-0} / took )) || echo -)
  printf '%-18s %12s %8s %10s  %s\n' "$target" "${executed:--}" "${took:--}" "$rate" "$result"
done
exit $status
