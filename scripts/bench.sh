#!/usr/bin/env bash
# Builds the optimised configuration and runs every benchmark under bench/,
# then plays the main level for ten seconds in a 1024 x 768 window with the
# player rolling right on turbo: the cold start to its first frame and the
# frame statistics. With no display the GL parts run under Xvfb (llvmpipe).
# Extra arguments go to the benchmark programs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DROLLIX_BENCH=ON
cmake --build build
display=()
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  display=(xvfb-run -a -s "-screen 0 1280x1024x24")
fi
export ALSOFT_DRIVERS="${ALSOFT_DRIVERS:-null}"
find build/bench -type f -name 'rollix_bench_*' -perm -u+x | sort | while read -r b; do
  echo "== $b"
  "${display[@]}" "$b" "$@"
done
echo "== the game: ten seconds of Zestars at 1024x768, rolling right on turbo"
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
ROLLIX_HOME="$home" "${display[@]}" ./build/rollix --size 1024x768 --no-vsync \
  --input scripts/roll-right.txt --run-for 10 | grep -E '^(first frame|frames |peak memory)'
ls -l build/Rollix.msf | awk '{print "archive Rollix.msf: " $5 " bytes"}'
