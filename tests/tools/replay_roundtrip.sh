#!/usr/bin/env bash
# A scripted run of Zestars recorded and saved as a replay, then played back
# headless: both runs print the same state hash every 100 ticks, --validate
# accepts the replay, and refuses a copy with one event changed and a copy
# whose tag names another level file, saying why.
# usage: replay_roundtrip.sh ROLLIX DATA_DIR KEYS_SCRIPT WORK_DIR
set -euo pipefail
rollix=$1 data=$2 script=$3 work=$4
rm -rf "$work"
mkdir -p "$work"
export ROLLIX_HOME="$work/home" ALSOFT_DRIVERS=null

"$rollix" --headless --level Zestars --ticks 10000 --input "$script" --data "$data" \
  --save-replay "$work/roam.gbv" >"$work/recorded.txt" 2>"$work/recorded.err"
"$rollix" --headless --replay "$work/roam.gbv" --ticks 10000 --data "$data" >"$work/played.txt" 2>"$work/played.err"
grep '^tick ' "$work/recorded.txt" >"$work/recorded.hashes"
grep '^tick ' "$work/played.txt" >"$work/played.hashes"
if [ "$(wc -l <"$work/recorded.hashes")" -ne 100 ]; then
  echo "the recorded run printed $(wc -l <"$work/recorded.hashes") hash lines, not 100"
  exit 1
fi
if ! cmp -s "$work/recorded.hashes" "$work/played.hashes"; then
  echo "the replay went another way:"
  diff "$work/recorded.hashes" "$work/played.hashes" | head -5
  exit 1
fi
"$rollix" --validate "$work/roam.gbv" --data "$data" 2>/dev/null | grep -q "matches"

# The events start after the level's name (4 + 11 bytes) and the count (4).
events=$(od -An -t d4 -j 15 -N 4 "$work/roam.gbv" | tr -d ' ')
refused() {
  local copy=$1 why=$2
  local status=0
  "$rollix" --validate "$copy" --data "$data" >"$copy.out" 2>"$copy.err" || status=$?
  if [ "$status" -eq 0 ]; then
    echo "--validate accepted $copy"
    exit 1
  fi
  if [ "$status" -ne 1 ] || ! grep -q "$why" "$copy.err"; then
    echo "--validate on $copy exited $status without saying \"$why\":"
    cat "$copy.err"
    exit 1
  fi
}
cp "$work/roam.gbv" "$work/event.gbv"
# The bits of the tenth event: another control set from its tick on.
printf '\x09' | dd of="$work/event.gbv" bs=1 seek=$((19 + 8 * 9 + 4)) conv=notrunc status=none
refused "$work/event.gbv" "another state\|left its level\|never reached"
cp "$work/roam.gbv" "$work/level.gbv"
# The tag's level checksum sits 8 bytes into the reserved bytes.
printf '\xff' | dd of="$work/level.gbv" bs=1 seek=$((19 + 8 * events + 8)) conv=notrunc status=none
refused "$work/level.gbv" "was played on another Zestars.map"
echo "recorded and played runs agree over 10000 ticks; --validate accepts the replay and refuses both copies"
