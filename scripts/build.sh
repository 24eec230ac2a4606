#!/usr/bin/env bash
# Configures and builds QAV into a build folder.
#   scripts/build.sh [build-folder] [extra cmake arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
