#!/usr/bin/env bash
# Builds Rollix with AddressSanitizer and UndefinedBehaviorSanitizer and runs
# the whole test suite. Installs the Debian packages it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
# An unformatted file fails the run before anything is built.
bash scripts/format.sh --check
cmake -S . -B build-asan -G Ninja -DROLLIX_SANITIZE=ON -DROLLIX_BENCH=ON
cmake --build build-asan
export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1:strict_string_checks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export ALSOFT_DRIVERS="${ALSOFT_DRIVERS:-null}"
cd build-asan
ctest --output-on-failure -j2 "$@"
