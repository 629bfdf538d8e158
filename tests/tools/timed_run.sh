#!/usr/bin/env bash
# The play command's path for machines with no display: the game runs under
# Xvfb for a set time with scripted keys, saves a screenshot at every due
# time and prints its frame statistics.
set -euo pipefail
rollix="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ROLLIX_HOME="$work/home" ALSOFT_DRIVERS=null
unset DISPLAY WAYLAND_DISPLAY
printf '1 down Right\n1 down Control\n' > "$work/keys.txt"
run() { xvfb-run -a -s "-screen 0 640x480x24" "$rollix" --size 640x480 --no-vsync "$@"; }

run --input "$work/keys.txt" --run-for 3 --shot-every 1 --shots "$work/shots" > "$work/out.txt" 2> "$work/err.txt" || {
  echo "the timed run failed:"; cat "$work/out.txt" "$work/err.txt"; exit 1; }

for n in 01 02 03; do
  shot="$work/shots/shot-$n.png"
  [ -f "$shot" ] || { echo "missing $shot"; ls -l "$work/shots"; cat "$work/out.txt"; exit 1; }
  grep -q "^screenshot $shot (" "$work/out.txt" || { echo "shot $n not reported"; cat "$work/out.txt"; exit 1; }
  # A PNG of the window's size: the signature, then IHDR's width and height.
  [ "$(head -c 8 "$shot" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || { echo "$shot is no PNG"; exit 1; }
  [ "$(od -An -tu1 -j16 -N8 "$shot" | tr -s ' ' | sed 's/^ //')" = "0 0 2 128 0 0 1 224" ] || {
    echo "$shot is not 640x480"; exit 1; }
done
[ ! -e "$work/shots/shot-04.png" ] || { echo "a shot after the run's end"; exit 1; }
# The player rolls, so the first and last pictures differ.
! cmp -s "$work/shots/shot-01.png" "$work/shots/shot-03.png" || { echo "the game stood still"; exit 1; }

stats=$(grep '^frames ' "$work/out.txt") || { echo "no frame statistics"; cat "$work/out.txt"; exit 1; }
frames=$(echo "$stats" | sed -E 's/^frames ([0-9]+) in.*/\1/')
ticks=$(echo "$stats" | sed -E 's/.*; ([0-9]+) ticks \(.*/\1/')
[ "$frames" -gt 3 ] || { echo "too few frames: $stats"; exit 1; }
[ "$ticks" -ge 150 ] || { echo "too few ticks for three seconds: $stats"; exit 1; }
echo "$stats"
grep -Eq '^peak memory [0-9]+ MB$' "$work/out.txt" || { echo "no peak memory"; cat "$work/out.txt"; exit 1; }
grep -Eq '^first frame of play [0-9]+ ms after the start$' "$work/out.txt" || { echo "no cold start figure"; cat "$work/out.txt"; exit 1; }

# A screenshot folder that cannot be made stops the game with a message.
: > "$work/file"
if run --run-for 1 --shots "$work/file/shots" > /dev/null 2> "$work/err2.txt"; then
  echo "a screenshot folder inside a file was accepted"; exit 1
fi
grep -q "cannot make the screenshot folder" "$work/err2.txt" || { cat "$work/err2.txt"; exit 1; }

# A keys file that cannot be read stops the game before a window opens.
printf '5 press Left\n' > "$work/bad-keys.txt"
status=0
run --input "$work/bad-keys.txt" --run-for 1 > /dev/null 2> "$work/err3.txt" || status=$?
[ "$status" -eq 2 ] || { echo "a bad keys file gave exit status $status"; cat "$work/err3.txt"; exit 1; }
grep -q "bad-keys.txt:1: \"press\" is neither down nor up" "$work/err3.txt" || { cat "$work/err3.txt"; exit 1; }
