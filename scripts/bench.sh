#!/usr/bin/env bash
# Builds the optimised configuration and runs every benchmark under bench/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DROLLIX_BENCH=ON
cmake --build build
find build/bench -type f -name 'rollix_bench_*' -perm -u+x | sort | while read -r b; do
  echo "== $b"
  "$b" "$@"
done
