#!/usr/bin/env bash
# rollix-pack builds an archive from a tree, lists it and extracts it back.
set -euo pipefail
pack="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/tree/Levels" "$work/tree/Objects/Figures" "$work/tree/Sounds"
printf 'level one' > "$work/tree/Levels/Zestars.map"
head -c 5000 /dev/urandom > "$work/tree/Objects/Figures/0001.gms"
: > "$work/tree/Sounds/empty.ogg"
printf 'top' > "$work/tree/loose.txt"   # no folder key: skipped with a warning

"$pack" build "$work/tree" "$work/a.msf" 2> "$work/build.err"
grep -q "loose.txt" "$work/build.err"

"$pack" list "$work/a.msf" > "$work/list.txt"
expected=$(printf 'Levels\\\tZestars.map\t9\nObjects\\Figures\\\t0001.gms\t5000\nSounds\\\tempty.ogg\t0\n')
diff <(printf '%s\n' "$expected") "$work/list.txt"

"$pack" extract "$work/a.msf" "$work/out"
rm "$work/tree/loose.txt"
diff -r "$work/tree" "$work/out"

"$pack" extract "$work/a.msf" "$work/one" 'objects\figures\0001.GMS'
cmp "$work/tree/Objects/Figures/0001.gms" "$work/one/Objects/Figures/0001.gms"
if "$pack" extract "$work/a.msf" "$work/none" 'Levels\missing.map' 2>/dev/null; then
  echo "extracting a missing entry must fail"; exit 1
fi

# The same tree gives the same archive.
"$pack" build "$work/tree" "$work/b.msf" > /dev/null 2>&1
"$pack" build "$work/out" "$work/c.msf" > /dev/null 2>&1
cmp "$work/b.msf" "$work/c.msf"

# A damaged archive is refused with a message, not a crash.
head -c 20 "$work/a.msf" > "$work/bad.msf"
if "$pack" list "$work/bad.msf" 2>/dev/null; then
  echo "a truncated archive must be refused"; exit 1
fi
