#!/usr/bin/env bash
# Builds Rollix (optimised, with its data) and starts it. Installs the Debian
# packages it needs first. Extra arguments go to the game.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DROLLIX_BENCH=OFF -DROLLIX_TESTS=OFF
cmake --build build
exec ./build/rollix "$@"
