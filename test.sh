#!/usr/bin/env bash
# Installs the packages, builds and runs every test with CTest; then runs the tests that
# involve threads once more in a ThreadSanitizer build.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh
JOBS=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$JOBS"
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j "$JOBS" --timeout 600

# Second build: the same code and tests under ThreadSanitizer; only the suites named *Threads*.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSMS_SANITIZE=thread
cmake --build build-tsan -j "$JOBS"
QT_QPA_PLATFORM=offscreen ctest --test-dir build-tsan --output-on-failure -j "$JOBS" --timeout 900 -R 'Threads'
