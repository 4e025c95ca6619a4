#!/usr/bin/env bash
# Sets up what is missing, builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh
bash scripts/build.sh build -DKORVANE_TESTS=OFF -DKORVANE_BENCH=OFF
exec build/bin/korvane "$@"
