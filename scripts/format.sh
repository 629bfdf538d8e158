#!/usr/bin/env bash
# Formats every C++ file of the tree with the project's .clang-format.
# With --check it changes nothing and lists the files that differ (exit 1).
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'tools/*.cpp' 'tools/*.h' \
  'bench/*.cpp' 'bench/*.h')
if [ "${1:-}" = "--check" ]; then
  bad=()
  for f in "${files[@]}"; do
    [ -f "$f" ] || continue
    clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || bad+=("$f")
  done
  if [ ${#bad[@]} -gt 0 ]; then
    echo "rollix: these files are not formatted (scripts/format.sh mends them):" >&2
    printf '  %s\n' "${bad[@]}" >&2
    exit 1
  fi
  exit 0
fi
existing=()
for f in "${files[@]}"; do [ -f "$f" ] && existing+=("$f"); done
clang-format -i "${existing[@]}"
