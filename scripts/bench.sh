#!/usr/bin/env bash
# Builds and runs every benchmark. Targets are printed beside the measurements, never asserted.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh build -DCMAKE_BUILD_TYPE=Release >/dev/null
for b in build/bench/*_bench; do
  echo "== $(basename "$b")"
  "$b" "$@"
done
