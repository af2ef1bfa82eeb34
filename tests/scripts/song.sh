#!/usr/bin/env bash
# Checks the generated song with real audio tools: container and format,
# length, clipping, loudness, tempo, and that the arrangement follows the
# parts. Saves a spectrogram for review.
# Usage: song.sh RUN_DIR BINARY_DIR
set -euo pipefail
RUN_DIR=${1:?run directory}
BINARY_DIR=${2:?binary directory}
SONG="$RUN_DIR/data/music/marrowgate.ogg"
BEAT=$(awk 'BEGIN { printf "%.12f", 60 / 140 }')
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok:   $*"; }
# True when awk evaluates the condition to non-zero.
holds() { awk "BEGIN { exit !($1) }"; }

for tool in ffprobe ffmpeg sox aubio; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/install-deps.sh)"; exit 1; }
done
[ -s "$SONG" ] || { echo "FAIL: $SONG is missing or empty"; exit 1; }

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# --- Container and format ----------------------------------------------------
probe() { ffprobe -v error -select_streams a:0 -show_entries "$1" -of default=nw=1:nk=1 "$SONG"; }
codec=$(probe stream=codec_name)
rate=$(probe stream=sample_rate)
channels=$(probe stream=channels)
duration=$(ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 "$SONG")
[ "$codec" = vorbis ] && pass "codec $codec" || fail "codec is '$codec', expected vorbis"
[ "$rate" = 44100 ] && pass "sample rate $rate Hz" || fail "sample rate is '$rate', expected 44100"
[ "$channels" = 2 ] && pass "channels $channels" || fail "channels is '$channels', expected 2"
holds "$duration >= 212" && pass "duration $duration s" || fail "duration $duration s is shorter than 212 s"

# Decode once to 16-bit PCM; every measurement below reads this.
WAV="$WORK/song.wav"
ffmpeg -v error -nostdin -i "$SONG" -c:a pcm_s16le "$WAV" || { echo "FAIL: the song does not decode"; exit 1; }

# --- Clipping ----------------------------------------------------------------
stats=$(sox "$WAV" -n stats 2>&1)
peak=$(echo "$stats" | awk '/^Pk lev dB/ { print $4 }')
flat=$(echo "$stats" | awk '/^Flat factor/ { print $3 }')
holds "$peak <= -1.0" && pass "sample peak $peak dBFS" || fail "sample peak $peak dBFS is above -1 dBFS"
holds "$flat == 0" && pass "no flat-topped (clipped) runs" || fail "flat factor $flat: clipped runs"
if sox "$SONG" -n 2>&1 | grep -qi clipped; then fail "sox reports clipped samples"; else pass "sox reports no clipping"; fi

# --- Loudness ----------------------------------------------------------------
summary=$(ffmpeg -nostdin -nostats -i "$WAV" -af ebur128=peak=true -f null - 2>&1 | sed -n '/Summary:/,$p')
lufs=$(echo "$summary" | awk '$1 == "I:" { print $2 }')
truepeak=$(echo "$summary" | awk '$1 == "Peak:" { print $2 }')
holds "$lufs >= -16 && $lufs <= -12" && pass "integrated loudness $lufs LUFS (true peak $truepeak dBFS)" \
    || fail "integrated loudness $lufs LUFS is not within 2 LU of -14"

# --- Tempo -------------------------------------------------------------------
# aubio's beat tracker places beats on a 256-sample hop; the tempo is the
# mean of the inter-beat intervals that agree with their median, which
# averages out the hop quantisation and ignores dropped or doubled beats.
aubio beat -H 256 -B 1024 "$WAV" > "$WORK/beats.txt"
awk 'NR > 1 { print $1 - previous } { previous = $1 }' "$WORK/beats.txt" | sort -g > "$WORK/intervals.txt"
count=$(wc -l < "$WORK/intervals.txt")
if [ "$count" -lt 100 ]; then
    fail "only $count beat intervals detected"
else
    median=$(sed -n "$(((count + 1) / 2))p" "$WORK/intervals.txt")
    read -r bpm agreeing < <(awk -v m="$median" '$1 > 0.9 * m && $1 < 1.1 * m { s += $1; k++ }
        END { printf "%.2f %.3f\n", 60 * k / s, k / NR }' "$WORK/intervals.txt")
    holds "$bpm >= 139 && $bpm <= 141 && $agreeing >= 0.75" \
        && pass "tempo $bpm BPM ($agreeing of $count beat intervals agree)" \
        || fail "tempo $bpm BPM ($agreeing of intervals agree), expected 140"
fi

# --- Arrangement -------------------------------------------------------------
# RMS level in dB of beats [$1, $2), optionally through a sox filter ($3...).
level() {
    local start length
    start=$(awk -v a="$1" -v b="$BEAT" 'BEGIN { print a * b }')
    length=$(awk -v a="$1" -v e="$2" -v b="$BEAT" 'BEGIN { print (e - a) * b }')
    shift 2
    sox "$WAV" -n trim "$start" "$length" remix 1,2 "$@" stats 2>&1 |
        awk '/^RMS lev dB/ { v = $4 } END { print (v == "-inf" || v == "") ? -200 : v }'
}
# The octave-band levels of a stretch of beats, lowest band first.
bands() {
    local out="" band
    for band in -60 60-120 120-250 250-500 500-1000 1000-2000 2000-4000 4000-8000 8000; do
        out+="$(level "$1" "$2" sinc "$band") "
    done
    echo "${out% }"
}

# The intro stutters: a hit on beat 4 of the first phrase, none on beat 6.
hit=$(level 4 5.5 sinc -100)
gap=$(level 6 7.5 sinc -100)
holds "$hit - $gap >= 12" && pass "intro hit on beat 4 ($hit dB) over the gap at 6 ($gap dB)" \
    || fail "intro: beat 4 ($hit dB) does not stand out from beat 6 ($gap dB)"

# Layers build: the full groove from 64 is louder than the opening phrase.
opening=$(level 0 16)
groove=$(level 64 96)
holds "$groove - $opening >= 3" && pass "intro builds from $opening dB to $groove dB" \
    || fail "intro does not build: $opening dB then $groove dB"

# Every part boundary changes the sound: some octave band moves by 3 dB or
# more between the 16 beats before and the 12 beats after it.
for boundary in 96 224 288 356 436 448; do
    before=$(bands $((boundary - 16)) "$boundary")
    after=$(bands "$boundary" $((boundary + 12)))
    change=$(awk -v a="$before" -v b="$after" 'BEGIN { n = split(a, x, " "); split(b, y, " ");
        m = 0; for (i = 1; i <= n; i++) { d = x[i] - y[i]; if (d < 0) d = -d; if (d > m) m = d } printf "%.1f", m }')
    holds "$change >= 3" && pass "beat $boundary: bands [$before] -> [$after], largest change $change dB" \
        || fail "beat $boundary: the arrangement does not change (largest band change $change dB)"
done

# The breakdown drops the kick; the last statement brings it back.
breakdown=$(level 438 446 sinc -100)
last=$(level 450 466 sinc -100)
holds "$last - $breakdown >= 6" && pass "breakdown low end $breakdown dB, last statement $last dB" \
    || fail "breakdown low end $breakdown dB vs last statement $last dB"

# Fade to silence by beat 490, then a silent tail.
end=$(level 486 490)
tail=$(level 490 496.5)
holds "$end <= -50 && $tail <= -80" && pass "faded: $end dB at 486-490, $tail dB after 490" \
    || fail "not silent at the end: $end dB at 486-490, $tail dB after 490"

# --- Review ------------------------------------------------------------------
mkdir -p "$BINARY_DIR/review"
sox "$WAV" -n remix 1,2 spectrogram -x 1600 -y 513 -z 90 -t "marrowgate.ogg" \
    -o "$BINARY_DIR/review/song-spectrogram.png"
[ -s "$BINARY_DIR/review/song-spectrogram.png" ] && pass "spectrogram saved to $BINARY_DIR/review/song-spectrogram.png" \
    || fail "no spectrogram written"

if [ "$failures" -gt 0 ]; then
    echo "song: $failures check(s) failed"
    exit 1
fi
echo "song: all checks passed"
