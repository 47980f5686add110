#!/usr/bin/env bash
# Installs the packages, builds, stages the program folder build/app/ and starts the program.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
exec ./build/app/XingFan "$@"
