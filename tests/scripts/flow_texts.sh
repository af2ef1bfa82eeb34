#!/usr/bin/env bash
# The Flow part's eight text lines, checked by pixels through quillmoor-capture. Beats 96-224 are
# captured as one range (a still has no advection history, so the ink would not have moved).
# Text k is active from beat 96 + 16k to 116 + 16k and is drawn over the whole 12 x 8 view, so
# its image resized to the frame is where its ink must be. A text counts as legible when the
# pixels inside its strokes are lit and a thin ring just outside them is not; the score is the
# lit fraction of the strokes minus the lit fraction of the ring (1: crisp text, 0: no text).
# Near the start of its window (0.5 to 2 beats in, once the sprites have grown) every text must
# score high; at the last frame of its window it must score low, except the last text, whose
# window the part's end cuts: it must at least have started tearing. Every frame must also show
# content (neither black nor one flat colour).
# Usage: flow_texts.sh RUN_DIR BINARY_DIR
set -uo pipefail
run_dir=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
export LIBGL_ALWAYS_SOFTWARE=${LIBGL_ALWAYS_SOFTWARE:-1} SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}

width=640 height=360 fps=2
mkdir -p "$work/run/data" "$work/grey" "$work/masks"
for entry in "$run_dir"/data/*; do ln -s "$entry" "$work/run/data/"; done
(cd "$work/run" && "$run_dir/quillmoor-capture" --quiet --size ${width}x${height} --fps $fps \
  --from 96 --to 224 --output "$work/frames/") || fail "capturing 96-224 exited with $?"

for frame in "$work"/frames/frame_*.png; do
  [ -e "$frame" ] || continue
  name=$(basename "$frame" .png)
  convert "$frame" -colorspace gray -depth 8 "pgm:$work/grey/$name.pgm" || fail "cannot read $name"
done
# Sprites of 10 pixels and the part's blur spread the ink about 5 pixels past the glyph edges:
# the strokes are the glyphs eroded by one pixel, the ring lies 6 to 10 pixels outside them,
# and another text's ink is taken as everything within 6 pixels of its glyphs.
for k in 1 2 3 4 5 6 7 8; do
  image="$run_dir/data/textures/flowtext0$k.png"
  [ -e "$image" ] || { fail "no $image"; continue; }
  convert "$image" -colorspace gray -resize "${width}x${height}!" -threshold 50% -depth 8 "$work/masks/glyph$k.pgm"
  convert "$work/masks/glyph$k.pgm" -morphology Erode Disk:1 "$work/masks/stroke$k.pgm"
  convert "$work/masks/glyph$k.pgm" -morphology Dilate Disk:6 "$work/masks/near$k.pgm"
  convert "$work/masks/glyph$k.pgm" -morphology Dilate Disk:10 \
    \( "$work/masks/near$k.pgm" -negate \) -compose multiply -composite "$work/masks/ring$k.pgm"
done

python3 - "$work" "$fps" <<'EOF' || failures=$((failures + 1))
import glob, os, sys

work, fps = sys.argv[1], float(sys.argv[2])
BEATS_PER_SECOND = 140.0 / 60.0
FIRST, LAST = 96.0, 224.0
LIT = 128            # grey level of "lit": the held ink is about 190, the dust and its streaks mostly below
START_MIN = 0.60     # a legible text: most strokes lit, little ink outside them
END_MAX = 0.25       # a dissolved text: its strokes hardly lit any more (beyond the ring's noise)
CUT_RATIO = 0.85     # the cut last text: clearly below its start score
MIN_PIXELS = 400     # fewer stroke pixels left than this and the score means nothing

def read_pgm(path):
    data = open(path, 'rb').read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace(): pos += 1
        if data[pos:pos + 1] == b'#':
            pos = data.index(b'\n', pos)
            continue
        end = pos
        while not data[end:end + 1].isspace(): end += 1
        fields.append(data[pos:end]); pos = end
    w, h = int(fields[1]), int(fields[2])
    return w, h, data[pos + 1:pos + 1 + w * h]

def mask(path):
    return {i for i, v in enumerate(read_pgm(path)[2]) if v > 127}

failed = 0
def fail(message):
    global failed
    print('FAIL: ' + message); failed += 1

frames = sorted(glob.glob(os.path.join(work, 'grey', 'frame_*.pgm')))
# Frame i shows beat FIRST + i / fps seconds of the song.
beats = [FIRST + i / fps * BEATS_PER_SECOND for i in range(len(frames))]
expected = int((LAST - FIRST) / BEATS_PER_SECOND * fps)
if len(frames) < expected: fail('only %d frames of %d' % (len(frames), expected))

greys = {}
lowest = 255.0
for i, path in enumerate(frames):
    g = read_pgm(path)[2]
    greys[i] = g
    n = len(g)
    mean = sum(g) / n
    deviation = (sum((v - mean) ** 2 for v in g) / n) ** 0.5
    # Content is ink and dust on black: mean and spread of the grey levels, 0..255. Before the
    # first text has grown only the faint dust shows (spread about 7), so "flat" is a spread of
    # under 2 levels: one colour plus the dither of the composite.
    lowest = min(lowest, deviation)
    if not (mean > 2.5 and deviation > 2.0):
        fail('%s (beat %.2f) is black or flat (mean %.1f, deviation %.1f)'
             % (os.path.basename(path), beats[i], mean, deviation))

windows = [(96.0 + 16 * k, min(116.0 + 16 * k, LAST)) for k in range(8)]
strokes = [mask(os.path.join(work, 'masks', 'stroke%d.pgm' % (k + 1))) for k in range(8)]
rings = [mask(os.path.join(work, 'masks', 'ring%d.pgm' % (k + 1))) for k in range(8)]
nears = [mask(os.path.join(work, 'masks', 'near%d.pgm' % (k + 1))) for k in range(8)]

def score(k, i):
    # The neighbouring text shares the band while the windows overlap: its ink is neither
    # evidence for nor against text k, so those pixels are left out of both sets.
    others = set()
    for j, (s, e) in enumerate(windows):
        if j != k and s <= beats[i] <= e: others |= nears[j]
    stroke, ring = strokes[k] - others, rings[k] - others
    if len(stroke) < MIN_PIXELS or len(ring) < MIN_PIXELS: return None
    g = greys[i]
    lit = lambda pixels: sum(1 for p in pixels if g[p] > LIT) / len(pixels)
    return lit(stroke) - lit(ring)

for k, (start, end) in enumerate(windows):
    cut = end < 116.0 + 16 * k
    early = [i for i, b in enumerate(beats) if start + 0.5 <= b <= start + 2.0]
    late = [i for i, b in enumerate(beats) if b <= end]
    if not early or not late:
        fail('text %d: no frames in its window' % (k + 1)); continue
    starts = [s for s in (score(k, i) for i in early) if s is not None]
    last = late[-1]
    end_score = score(k, last)
    if not starts or end_score is None:
        fail('text %d: too few pixels of its own to measure' % (k + 1)); continue
    start_score = max(starts)
    # Not checked, only shown: how far the tearing has gone at 80 % of the full window, while
    # the sprites are still large enough to see.
    middle = min(range(len(beats)), key=lambda i: abs(beats[i] - (start + 16.0)))
    middle_score = score(k, middle)
    print('text %d "flowtext0%d": start %.2f (beats %.1f-%.1f), end %.2f (beat %.1f)%s; at beat %.1f %s'
          % (k + 1, k + 1, start_score, beats[early[0]], beats[early[-1]], end_score, beats[last],
             ' (cut by the part end)' if cut else '', beats[middle],
             'n/a' if middle_score is None else '%.2f' % middle_score))
    if start_score < START_MIN:
        fail('text %d is not legible near its start (%.2f < %.2f)' % (k + 1, start_score, START_MIN))
    if cut:
        if end_score > CUT_RATIO * start_score:
            fail('text %d has not begun to tear by beat %.1f (%.2f vs %.2f at its start)'
                 % (k + 1, beats[last], end_score, start_score))
    elif end_score > END_MAX:
        fail('text %d has not dissolved by its end (%.2f > %.2f)' % (k + 1, end_score, END_MAX))
print('%d frames checked, lowest grey spread %.1f' % (len(frames), lowest))
sys.exit(1 if failed else 0)
EOF

[ "$failures" = 0 ] && echo "flow texts: ok"
exit $((failures > 0))
