#!/usr/bin/env bash
# Zestars played in a window under Xvfb with OpenAL's null driver and the
# gate script's keys: the game opens the device, makes its sounds, finds
# every one it asks for and ends with no caught error in its trace.
set -euo pipefail
rollix="$1"
keys="$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ROLLIX_HOME="$work/home" ALSOFT_DRIVERS=null
unset DISPLAY WAYLAND_DISPLAY
xvfb-run -a -s "-screen 0 640x480x24" "$rollix" --size 640x480 --no-vsync --level Zestars --input "$keys" \
  --run-for 15 > "$work/out.txt" 2> "$work/err.txt" || {
  echo "the run failed:"; cat "$work/out.txt" "$work/err.txt"; exit 1; }
line=$(grep '^rollix: sound: ' "$work/err.txt") || { echo "no sound summary"; cat "$work/err.txt"; exit 1; }
echo "$line"
made=$(echo "$line" | sed -E 's/^rollix: sound: ([0-9]+) sounds made.*/\1/')
[ "$made" -gt 3 ] || { echo "too few sounds: $line"; exit 1; }
echo "$line" | grep -q ' 0 names missing, through the device$' || { echo "a sound was missing or no device: $line"; exit 1; }
if grep -q 'is not in the sound library' "$work/err.txt"; then grep 'sound library' "$work/err.txt"; exit 1; fi
[ ! -e "$work/home/Rollix_Error.txt" ] || { echo "errors were caught:"; cat "$work/home/Rollix_Error.txt"; exit 1; }
find "$work/home" -name 'Rollix_Error.txt' | grep -q . && { echo "errors were caught"; find "$work/home" -name 'Rollix_Error.txt' -exec cat {} \;; exit 1; }
exit 0
