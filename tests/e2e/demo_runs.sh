#!/usr/bin/env bash
# The demo and a small runtime app started for real on the test's X display:
# the dialog driven with keys, loading, playing, Escape, a broken manifest.
# Usage: demo_runs.sh RUN_DIR BINARY_DIR
set -uo pipefail
run_dir=$1
bin_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

press() { xdotool windowfocus --sync "$1" 2>/dev/null; xdotool key --window "$1" "$2"; }

# 1. The demo: "Run" in the dialog, loading, the song starts, the parts play
#    and the end of the timeline ends the demo by itself.
dir=$(make_dir run)
(cd "$dir" && exec "$run_dir/quillmoor") & pid=$!
if id=$(wait_window "Quillmoor / Marrowgate" 60); then
  sleep 0.5
  press "$id" Return
else
  fail "the settings dialog did not appear"
fi
wait_exit $pid 420
[ "$status" = 0 ] || fail "demo run exited with $status"
log=$dir/log.txt
for line in "[driver]" "[extensions]" "[initiate]" "[content]" "[terminate]" "Application has quit"; do
  has_line "$log" "$line" || fail "demo log lacks '$line'"
done
grep -q "^GL_VERSION: \|	GL_VERSION: " "$log" || fail "demo log lacks the driver report"
# "content" opens inside "initiate".
awk '/^\[initiate\]/{i=1} /^\t\[content\]/{if(i)c=1} END{exit !c}' "$log" || fail "content is not inside initiate"
has_line "$log" "Failed to load demo" && fail "demo log reports a failed load"

# 2. Cancel in the dialog: exit 0, no window, no driver report.
dir=$(make_dir cancel)
(cd "$dir" && exec "$run_dir/quillmoor") & pid=$!
if id=$(wait_window "Quillmoor / Marrowgate" 60); then
  sleep 0.5
  press "$id" Escape
else
  fail "the settings dialog did not appear (cancel)"
fi
wait_exit $pid 60
[ "$status" = 0 ] || fail "cancelled run exited with $status"
has_line "$dir/log.txt" "[driver]" && fail "a cancelled run created a window"

# 3. The runtime with a part over the whole song: Escape (released) ends it.
dir=$(make_dir escape)
(cd "$dir" && exec "$bin_dir/tests/ember-runtime-app" hold) & pid=$!
started=0
for _ in $(seq 1200); do
  [ "$(grep -c '^\[initiate\]' "$dir/log.txt" 2>/dev/null)" = 2 ] && { started=1; break; }
  sleep 0.1
done
[ $started = 1 ] || fail "the runtime app did not finish loading"
sleep 1
kill -0 $pid 2>/dev/null || fail "the runtime app ended before Escape"
if id=$(wait_window "runtime-app" 10); then press "$id" Escape; else fail "no runtime-app window"; fi
wait_exit $pid 60
[ "$status" = 0 ] || fail "escape run exited with $status"
for line in "Post QUIT message" "[terminate]" "Application has quit"; do
  has_line "$dir/log.txt" "$line" || fail "escape log lacks '$line'"
done

# 4. A broken manifest: "Failed to load demo", the reason logged, exit 0.
dir=$(make_dir broken)
rm "$dir/data/demo.xml"
echo '<demo><song file="x"' > "$dir/data/demo.xml"
(cd "$dir" && exec "$bin_dir/tests/ember-runtime-app" short) & pid=$!
if id=$(wait_window "Emberline" 120); then
  sleep 0.5
  press "$id" Return
else
  fail "no 'Failed to load demo' message box"
fi
wait_exit $pid 60
[ "$status" = 0 ] || fail "broken-manifest run exited with $status"
for line in "Unable to load data/demo.xml" "onInitiate failed"; do
  has_line "$dir/log.txt" "$line" || fail "broken-manifest log lacks '$line'"
done

if [ $failures -gt 0 ]; then
  echo "--- last log"; cat "$dir/log.txt" 2>/dev/null | tail -n 40
  echo "$failures check(s) failed"
  exit 1
fi
echo "demo runs: all checks passed"
