#!/usr/bin/env bash
# quillmoor-capture end to end: exit codes, reproducible stills, numbered
# frames, a 2-second video whose beat flashes line up with the clicks of its
# audio track, --stats, and a run without any X server.
# Usage: capture.sh RUN_DIR BINARY_DIR
set -uo pipefail
run_dir=$(cd "$1" && pwd)
capture=$run_dir/quillmoor-capture
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# Runs the capture in directory $1 with the remaining arguments; exit code in $status.
run_in() {
  local dir=$1; shift
  (cd "$dir" && "$capture" --quiet "$@") >"$work/out.txt" 2>"$work/err.txt"
  status=$?
}

# Mean grey level (0-255) of an image file.
brightness() {
  ffmpeg -v error -i "$1" -vf scale=1:1 -f rawvideo -pix_fmt gray - | od -An -tu1 | tr -d ' '
}

# A run directory whose data/ is the real one.
real=$(make_dir real)

# 1. Help and usage errors: exit 0 and 2, nothing loaded.
run_in "$real" --help
[ "$status" = 0 ] && grep -q "Exit codes" "$work/out.txt" || fail "--help: status $status"
for args in "--bogus" "--beat" "--beat -2 --output a.png" "--from 3 --to 2 --output d/" \
            "--size 641x360 --from 1 --to 2 --output v.mp4" "--beat 1 --output a.mp4"; do
  # shellcheck disable=SC2086
  run_in "$real" $args
  [ "$status" = 2 ] || fail "'$args' exited with $status, not 2"
  grep -q "^quillmoor-capture: " "$work/err.txt" || fail "'$args' printed no reason"
done
[ -e "$real/log.txt" ] && fail "a usage error loaded the demo"

# 2. Output errors (exit 4) before anything loads.
run_in "$real" --beat 1 --output "$work/missing/dir/a.png"
[ "$status" = 4 ] || fail "unwritable still: status $status"
touch "$work/plain"
run_in "$real" --from 1 --to 2 --output "$work/plain/frames/"
[ "$status" = 4 ] || fail "unwritable frame directory: status $status"
mkdir -p "$work/nobin"
(cd "$real" && PATH=$work/nobin "$capture" --quiet --from 1 --to 2 --output "$work/v.mp4") 2>"$work/err.txt"
status=$?
[ "$status" = 4 ] && grep -q "ffmpeg not found" "$work/err.txt" || fail "missing ffmpeg: status $status"

# 3. A range outside the song: exit 2 after loading.
run_in "$real" --scene beat-test --beat 100000 --output "$work/far.png"
[ "$status" = 2 ] && grep -q "outside the song" "$work/err.txt" || fail "beat past the song: status $status"

# 4. A directory without the demo's content: exit 3.
mkdir -p "$work/nodata"
run_in "$work/nodata" --beat 1 --output "$work/nodata/x.png"
[ "$status" = 3 ] && grep -q "failed to load" "$work/err.txt" || fail "missing content: status $status"
[ -e "$work/nodata/x.png" ] && fail "a failed load wrote a still"

# 5. Stills: the same beat twice gives the same file; the flash is white on
#    the beat and black between beats; the real demo shows its first part.
run_in "$real" --scene beat-test --size 320x180 --beat 8 --output "$work/a.png"
[ "$status" = 0 ] || fail "still a: status $status"
run_in "$real" --scene beat-test --size 320x180 --beat 8 --output "$work/b.png"
[ "$status" = 0 ] || fail "still b: status $status"
cmp -s "$work/a.png" "$work/b.png" || fail "two captures of beat 8 differ"
[ "$(brightness "$work/a.png")" -gt 250 ] || fail "beat 8 is not white"
run_in "$real" --scene beat-test --size 320x180 --beat 8.5 --output "$work/c.png"
[ "$(brightness "$work/c.png")" -lt 5 ] || fail "beat 8.5 is not black"
run_in "$real" --size 320x180 --beat 2 --output "$work/d.png"
[ "$status" = 0 ] || fail "real demo still: status $status"
peak=$(convert "$work/d.png" -colorspace gray -format '%[fx:int(maxima*255)]' info:)
[ "${peak:-0}" -gt 80 ] || fail "the real demo's beat 2 shows nothing (peak $peak)"
size=$(ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0 "$work/d.png")
[ "$size" = "320,180" ] || fail "still size $size"

# 6. Numbered frames: one beat at 140 bpm and 10 fps is 4.29 frames -> 5.
run_in "$real" --scene beat-test --size 64x36 --from 8 --to 9 --fps 10 --output "$work/frames/"
[ "$status" = 0 ] || fail "frames: status $status"
count=$(find "$work/frames" -name 'frame_*.png' | wc -l)
[ "$count" = 5 ] || fail "frames: $count files, not 5"
[ -f "$work/frames/frame_000004.png" ] || fail "frames: frame_000004.png missing"
[ "$(brightness "$work/frames/frame_000000.png")" -gt 250 ] || fail "frame 0 (beat 8) is not white"

# 6b. Frames step on the song's clock, not on how long a frame took to render:
#     two captures of a stretch of the Flow part (its ink integrates over the
#     frame time) give the same frames.
for run in 1 2; do
  run_in "$real" --size 160x90 --from 100 --to 103 --fps 6 --output "$work/flow$run/"
  [ "$status" = 0 ] || fail "flow frames $run: status $status"
done
last=$(find "$work/flow1" -name 'frame_*.png' | sort | tail -n1)
[ -n "$last" ] && cmp -s "$last" "$work/flow2/$(basename "$last")" || fail "two captures of beats 100-103 differ"

# 7. --stats on the real demo: load time and the per-part table.
run_in "$real" --size 320x180 --from 0 --to 1 --stats
[ "$status" = 0 ] || fail "stats: status $status"
grep -q "^load time: [0-9.]* s$" "$work/out.txt" || fail "stats without load time"
grep -q "^Intro *13 " "$work/out.txt" || fail "stats: no 'Intro' row with 13 frames"
cat "$work/out.txt"

# 8. Video in sync: a song of clicks at 120 bpm (one every 22,050 samples),
#    the range [8.3, 12.3) = 2 s at 30 fps. Beats 9..12 fall at 0.35, 0.85,
#    1.35 and 1.85 s: each click must be there in the audio, and the first
#    white frame of each flash must be the first frame at or after it.
sync=$work/sync
mkdir -p "$sync/data/music"
ln -s "$run_dir/data/loading" "$sync/data/loading"
cat > "$sync/data/demo.xml" <<'XML'
<demo>
  <song file="music/clicks.wav" bpm="120"/>
  <framebuffers/>
  <shaders/>
  <textures/>
  <models/>
</demo>
XML
ffmpeg -v error -f lavfi -i "aevalsrc='if(lt(mod(n,22050),220),0.8*sin(2*PI*1000*t),0)':s=44100:c=stereo:d=20" \
  -c:a pcm_s16le "$sync/data/music/clicks.wav" || fail "cannot make the click track"
run_in "$sync" --scene beat-test --size 320x180 --from 8.3 --to 12.3 --fps 30 --output "$work/sync.mp4"
[ "$status" = 0 ] || { fail "video: status $status"; cat "$work/err.txt"; }
probe() { ffprobe -v error -select_streams "$1" -show_entries "stream=$2" -of csv=p=0 "$work/sync.mp4"; }
[ "$(probe v:0 codec_name,pix_fmt)" = "h264,yuv420p" ] || fail "video codec $(probe v:0 codec_name,pix_fmt)"
[ "$(probe v:0 nb_frames)" = 60 ] || fail "video has $(probe v:0 nb_frames) frames, not 60"
awk -v d="$(probe v:0 duration)" 'BEGIN{exit !(d > 1.999 && d < 2.001)}' || fail "video lasts $(probe v:0 duration) s"
[ "$(probe a:0 codec_name)" = aac ] || fail "no AAC audio stream"
awk -v d="$(probe a:0 duration)" 'BEGIN{exit !(d > 1.97 && d < 2.03)}' || fail "audio lasts $(probe a:0 duration) s"
ls "$work"/sync.mp4.* >/dev/null 2>&1 && fail "temporary files left beside the video"

# Flash onsets (seconds) from the frames' mean luma.
ffprobe -v error -f lavfi -i "movie=$work/sync.mp4,signalstats" \
  -show_entries frame_tags=lavfi.signalstats.YAVG -of csv=p=0 |
  awk '{ bright = $1 > 128; if (bright && !was) printf "%.4f\n", (NR - 1) / 30; was = bright }' >"$work/flashes"
# Click onsets (seconds) from the decoded audio.
ffmpeg -v error -i "$work/sync.mp4" -map 0:a -ac 1 -f s16le - | od -An -td2 -v -w2 |
  awk '{ v = $1 < 0 ? -$1 : $1; t = (NR - 1) / 44100
         if (v > 6000 && (last == "" || t - last > 0.25)) { printf "%.4f\n", t; last = t } }' >"$work/clicks"
echo "flashes: $(tr '\n' ' ' <"$work/flashes")  clicks: $(tr '\n' ' ' <"$work/clicks")"
[ "$(wc -l <"$work/flashes")" = 4 ] || fail "expected 4 flashes"
[ "$(wc -l <"$work/clicks")" = 4 ] || fail "expected 4 clicks"
paste "$work/flashes" "$work/clicks" | awk -v expected="0.35 0.85 1.35 1.85" '
  BEGIN { split(expected, e, " ") }
  { if ($2 < e[NR] - 0.005 || $2 > e[NR] + 0.005) { printf "click %d at %s, not %s\n", NR, $2, e[NR]; bad = 1 }
    if ($1 < $2 - 0.005 || $1 >= $2 + 1 / 30 + 0.005) { printf "flash %d at %s, click at %s\n", NR, $1, $2; bad = 1 } }
  END { exit bad }' || fail "audio and video out of sync"

# 9. No X server at all: SDL's offscreen driver over EGL gives the same still.
(cd "$real" && env -u DISPLAY -u WAYLAND_DISPLAY "$capture" --quiet --scene beat-test --size 320x180 --beat 8 \
  --output "$work/headless.png") 2>"$work/err.txt"
status=$?
if [ "$status" = 0 ]; then
  cmp -s "$work/a.png" "$work/headless.png" || fail "the still without X differs from the one with X"
else
  fail "capture without X exited with $status: $(cat "$work/err.txt")"
fi

if [ "$failures" -gt 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "capture: all checks passed"
