#!/usr/bin/env bash
# The demo on a desktop whose screen may lack the demo's display mode, and on
# a machine without sound: each case on a private X server of a known size.
# Screenshots land in BINARY_DIR/review/desktop-*.png.
# Usage: desktop.sh RUN_DIR BINARY_DIR
set -uo pipefail
run_dir=$1
bin_dir=$2
work=$(mktemp -d)
review=$bin_dir/review
mkdir -p "$review"
server=
trap '[ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$work"' EXIT
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

for tool in Xvfb xdotool xwininfo import convert; do
  command -v $tool >/dev/null || { echo "SKIP: $tool is needed"; exit 0; }
done

# Starts a private X server with one screen of $1 (WIDTHxHEIGHT) and exports DISPLAY.
start_server() {
  [ -n "$server" ] && { kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; }
  local number_file=$work/display
  Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp 3>"$number_file" 2>/dev/null & server=$!
  for _ in $(seq 100); do [ -s "$number_file" ] && break; sleep 0.1; done
  export DISPLAY=:$(head -n1 "$number_file")
  rm -f "$number_file"
}

count_lines() { grep -cF -- "$2" "$1"; }

# The bounding box (WxH+X+Y) of the bright parts of an image of the screen's
# size, relative to its brightest pixel: the same box at any point of a fade.
bright_box() { convert "$1" -colorspace gray -auto-level -threshold 40% -format '%@' info: 2>/dev/null; }

# Boxes with the same width, left and top edge within $3 pixels. The height
# is left out: the progress bar below the title lights up while loading.
boxes_match() {
  local a b tolerance=$3
  read -r -a a <<<"$(echo "$1" | tr 'x+' '  ')"
  read -r -a b <<<"$(echo "$2" | tr 'x+' '  ')"
  [ ${#a[@]} = 4 ] && [ ${#b[@]} = 4 ] || return 1
  for i in 0 2 3; do
    local d=$((a[i] - b[i]))
    [ ${d#-} -le "$tolerance" ] || return 1
  done
}

# 1. The demo with its own settings ("Run" in the dialog) on screens with and
#    without its 1280 x 720 mode. Columns: screen, audio driver ("-" keeps the
#    environment's), the full-screen log line, where the 1280 x 720 card must
#    appear (WIDTHxHEIGHT+X+Y on the screen).
card=$run_dir/data/loading/loading.jpg
while IFS='|' read -r screen audio logged placement; do
  name=desktop-$screen
  dir=$(make_dir "$name")
  start_server "$screen"
  if [ "$audio" = - ]; then
    (cd "$dir" && exec "$run_dir/quillmoor") & pid=$!
  else
    (cd "$dir" && SDL_AUDIODRIVER=$audio exec "$run_dir/quillmoor") & pid=$!
  fi
  if id=$(wait_window "Quillmoor / Marrowgate" 60); then
    sleep 0.5
    import -window root "$review/$name-dialog.png"
    xdotool windowfocus --sync "$id" 2>/dev/null; xdotool key --window "$id" Return
  else
    fail "$screen: the settings dialog did not appear"
  fi
  # The loading screen: the brightest of the screenshots taken while loading
  # (until the log closes its "[initiate]" section) is the card at full strength.
  # Then Escape ends the demo: the parts that follow are not what this checks.
  best=0
  if fsid=$(wait_window "Quillmoor / Marrowgate" 60 "${screen}"); then
    for i in $(seq 120); do
      kill -0 $pid 2>/dev/null || break
      [ "$(grep -cx '\[initiate\]' "$dir/log.txt" 2>/dev/null)" -ge 2 ] && break
      import -window root "$work/shot.png" 2>/dev/null || continue
      mean=$(convert "$work/shot.png" -colorspace gray -format '%[fx:int(mean*100000)]' info: 2>/dev/null)
      if [ "${mean:-0}" -gt "$best" ]; then best=$mean; cp "$work/shot.png" "$review/$name.png"; fi
      sleep 0.25
    done
    for _ in $(seq 100); do
      [ "$(grep -cx '\[initiate\]' "$dir/log.txt" 2>/dev/null)" -ge 2 ] && break
      sleep 0.1
    done
    xdotool windowfocus --sync "$fsid" 2>/dev/null; xdotool key --window "$fsid" Escape 2>/dev/null
  else
    fail "$screen: no full-screen window of the screen's size"
  fi
  wait_exit $pid 240
  [ "$status" = 0 ] || fail "$screen: the demo exited with $status"
  log=$dir/log.txt
  has_line "$log" "$logged" || fail "$screen: the log lacks '$logged'"
  has_line "$log" "Application has quit" || fail "$screen: the log lacks 'Application has quit'"
  has_line "$log" "Failed to load demo" && fail "$screen: the load failed"
  case $logged in
    *"mode changed"*) grep -qF "frame scaled" "$log" && fail "$screen: scaled although the mode exists" ;;
  esac
  if [ "$audio" != - ]; then
    [ "$(count_lines "$log" "playing on a silent clock")" = 1 ] ||
      fail "$screen: the missing audio output is not logged exactly once"
  fi
  if [ -f "$review/$name.png" ]; then
    # Where the card's bright title must be: the card scaled to its placement.
    read -r pw ph px py <<<"$(echo "$placement" | tr 'x+' '  ')"
    convert "$card" -resize "${pw}x${ph}!" -background black -extent "${screen}-${px}-${py}" \
      "$work/expected.png"
    want=$(bright_box "$work/expected.png")
    got=$(bright_box "$review/$name.png")
    boxes_match "$want" "$got" 8 || fail "$screen: the card's title is at $got, expected at $want"
    # Bars stay black; a card that fills the screen leaves none.
    if [ "$px" -gt 0 ]; then
      left=$(convert "$review/$name.png" -crop "$((px - 2))x${ph}+0+0" -format '%[fx:maxima.r+maxima.g+maxima.b]' info:)
      [ "$left" = 0 ] || fail "$screen: the bar left of the card is not black"
    fi
    if [ "$py" -gt 0 ]; then
      top=$(convert "$review/$name.png" -crop "${pw}x$((py - 2))+0+0" -format '%[fx:maxima.r+maxima.g+maxima.b]' info:)
      [ "$top" = 0 ] || fail "$screen: the bar above the card is not black"
    fi
  else
    fail "$screen: no screenshot of the loading screen"
  fi
done <<'CASES'
1920x1080|nonexistent|Full screen: desktop 1920x1080, the 1280x720 frame scaled to 1920x1080 at (0, 0)|1920x1080+0+0
1600x1200|-|Full screen: desktop 1600x1200, the 1280x720 frame scaled to 1600x900 at (0, 150)|1600x900+0+150
1280x720|-|Full screen: display mode changed to 1280x720|1280x720+0+0
CASES

# 2. No audio output at all: the runtime's two-beat part still ends by itself,
#    so the song's clock ran on the silent output; the reason is logged once.
dir=$(make_dir silent)
start_server 1280x800
(cd "$dir" && SDL_AUDIODRIVER=nonexistent exec "$bin_dir/tests/ember-runtime-app" short) & pid=$!
wait_exit $pid 120
[ "$status" = 0 ] || fail "silent run exited with $status"
log=$dir/log.txt
[ "$(count_lines "$log" "No audio output (")" = 1 ] || fail "silent run: the reason is not logged exactly once"
for line in "Post QUIT message" "[terminate]" "Application has quit"; do
  has_line "$log" "$line" || fail "silent run: the log lacks '$line'"
done
grep -qF "onInitiate failed" "$log" && fail "silent run: the load failed"

if [ $failures -gt 0 ]; then
  echo "--- last log"; tail -n 40 "$log" 2>/dev/null
  echo "$failures check(s) failed"
  exit 1
fi
echo "desktop runs: all checks passed"
