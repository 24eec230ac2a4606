#!/usr/bin/env bash
# Installs what the project needs, builds QAV and runs its main job.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
./build/app/qav "$@"
