#!/usr/bin/env bash
# Set-up, build and run every test: a Debug build with AddressSanitizer and
# UndefinedBehaviorSanitizer runs the tests; a Release build checks that the
# optimised library, tools and benchmarks build too. Warnings are errors.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKTABLE_SANITIZE=ON -DKTABLE_WERROR=ON
cmake --build build-asan -j "$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j "$jobs" --timeout 600)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DKTABLE_WERROR=ON -DKTABLE_TESTS=OFF
cmake --build build -j "$jobs"
echo "All tests passed."
