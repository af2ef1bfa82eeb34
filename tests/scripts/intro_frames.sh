#!/usr/bin/env bash
# The Intro on screen, checked by pixels through quillmoor-capture: one frame
# per second of beats 0-96 must show content (neither black nor one flat
# colour), and the picture must change across the section starts at beats 16
# (credits), 32 (group logo) and 64 (the dancer).
# Usage: intro_frames.sh RUN_DIR BINARY_DIR
set -uo pipefail
run_dir=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
export LIBGL_ALWAYS_SOFTWARE=${LIBGL_ALWAYS_SOFTWARE:-1} SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}

mkdir -p "$work/run/data"
for entry in "$run_dir"/data/*; do ln -s "$entry" "$work/run/data/"; done
capture() { (cd "$work/run" && "$run_dir/quillmoor-capture" --quiet --size 320x180 "$@"); }

capture --from 0 --to 96 --fps 1 --output "$work/frames/" || fail "capturing 0-96 exited with $?"
count=0
for frame in "$work"/frames/frame_*.png; do
  [ -e "$frame" ] || continue
  count=$((count + 1))
  read -r mean deviation < <(convert "$frame" -colorspace gray -format "%[fx:mean] %[fx:standard_deviation]\n" info:)
  # Mean and spread of the grey levels, 0..1: content is lit cubes on black.
  awk -v m="$mean" -v d="$deviation" 'BEGIN { exit !(m > 0.01 && d > 0.03) }' ||
    fail "$(basename "$frame") is black or flat (mean $mean, deviation $deviation)"
done
# 96 beats at 140 BPM are 41.1 seconds: 42 frames at one per second.
[ "$count" -ge 41 ] || fail "only $count frames"

for edge in 16 32 64; do
  capture --beat "$(awk -v e="$edge" 'BEGIN { print e - 0.2 }')" --output "$work/before.png" || fail "still before $edge"
  capture --beat "$(awk -v e="$edge" 'BEGIN { print e + 0.6 }')" --output "$work/after.png" || fail "still after $edge"
  difference=$(compare -metric RMSE "$work/before.png" "$work/after.png" null: 2>&1 | sed 's/.*(\(.*\)).*/\1/')
  awk -v d="$difference" 'BEGIN { exit !(d > 0.04) }' || fail "no section change at beat $edge (RMSE $difference)"
done

[ "$failures" = 0 ] && echo "intro frames: ok ($count frames)"
exit $((failures > 0))
