#!/usr/bin/env bash
# Installs what the project needs, builds it, and runs every test: once in a normal build and once
# under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
jobs=$(nproc)

./scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 300

./scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DQAV_SANITIZE=ON -DQAV_BUILD_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 600
