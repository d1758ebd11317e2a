#!/usr/bin/env bash
# Set-up, build (Release) and run the demonstration program.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DKTABLE_TESTS=OFF
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target ktable_demo
exec ./build/examples/ktable_demo "$@"
