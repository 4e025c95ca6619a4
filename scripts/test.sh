#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test: a plain build, the same tests
# under AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzz targets over their seeds.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh
jobs=$(nproc)

bash scripts/build.sh build-test -DKORVANE_BENCH=ON
(cd build-test && ctest --output-on-failure -j "$jobs")

bash scripts/build.sh build-asan -DKORVANE_SANITIZE=ON -DKORVANE_BENCH=OFF
(cd build-asan && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
   ctest --output-on-failure -j "$jobs")

if command -v clang++ >/dev/null; then
  bash scripts/build.sh build-fuzz -DKORVANE_FUZZ=ON -DKORVANE_TESTS=ON -DKORVANE_BENCH=OFF \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
  bash scripts/fuzz-smoke.sh build-fuzz
fi
