#!/usr/bin/env bash
# Builds the optimised configuration and runs every benchmark under bench/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DROLLIX_BENCH=ON
cmake --build build
for b in build/bench/rollix_bench_*; do
  [ -x "$b" ] && "$b" "$@"
done
