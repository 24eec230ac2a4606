#!/usr/bin/env bash
# The project's test command (CI runs it on a fresh machine through .ci/run): one step a block.
# Installs what the project needs, checks the layering, builds and tests with g++ (plain, then under
# AddressSanitizer and UndefinedBehaviorSanitizer) and with clang (plain, then under ThreadSanitizer),
# and runs every fuzz target for a short while. Stops at the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
SECONDS=0
step() { echo "=== [$((SECONDS / 60))m$((SECONDS % 60))s] $*"; }

step "Packages"
./scripts/setup.sh

step "Layers: no file includes a header from a folder above its own"
./scripts/check_layers.py

step "g++, optimised: every test"
./scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 300

step "g++ with ASan and UBSan: every test"
./scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DQAV_SANITIZE=ON -DQAV_BUILD_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 600

step "clang, optimised: every test"
CC=clang CXX=clang++ ./scripts/build.sh build-clang -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQAV_BUILD_BENCH=OFF
ctest --test-dir build-clang --output-on-failure -j "$jobs" --timeout 300

step "clang with ThreadSanitizer: every test but the real crashes"
CC=clang CXX=clang++ ./scripts/build.sh build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQAV_SANITIZE_THREAD=ON \
  -DQAV_BUILD_BENCH=OFF
# Every process writes its reports to a file, so a race in a child process, or in a test that passed
# when run again, still fails the step. The second run is for tests that measure wall-clock time,
# which ThreadSanitizer slows several times over. Debian's Qt, GLib and D-Bus are not instrumented
# (scripts/tsan-suppressions.txt). The probes that crash for real are left to the other builds: a
# stack overflow can strike inside ThreadSanitizer's own bookkeeping, where no handler can run.
rm -rf build-tsan/races && mkdir -p build-tsan/races
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/scripts/tsan-suppressions.txt \
log_path=$PWD/build-tsan/races/race" \
  ctest --test-dir build-tsan --output-on-failure -j "$jobs" --timeout 600 --repeat until-pass:2 \
  -E '^(CrashSignals|CrashReport)\.ARealCrash'
if [ -n "$(ls build-tsan/races)" ]; then cat build-tsan/races/*; exit 1; fi

step "Fuzz targets (clang, libFuzzer, ASan, UBSan): each for 10 s on its seeds"
./scripts/fuzz.sh -t 10

step "Done in $((SECONDS / 60))m$((SECONDS % 60))s"
