#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan) in build-fuzz/ and runs
# each for a while, starting from its committed corpus, the generated content
# in build/run/data and the hand-made seeds.
#   scripts/fuzz.sh [SECONDS] [TARGET...]     short run, SECONDS per target (default 20)
#   scripts/fuzz.sh --long [SECONDS] [TARGET...]  local use: SECONDS per target (default 3600),
#                                             new inputs merged into the committed corpus
# Crashes, leaks and timeouts land in build-fuzz/artifacts/<target>/ and make
# the script fail; copy a reproducer into tests/fuzz/corpus/<target>/ once fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
SRC=$PWD
LONG=0
if [ "${1:-}" = "--long" ]; then LONG=1; shift; fi
SECONDS_PER=${1:-$([ $LONG = 1 ] && echo 3600 || echo 20)}
[ $# -gt 0 ] && shift
ALL=(manifest png jpeg gzstream mesh mesh_gz lightwave envelope blit shader_include song)
TARGETS=("$@")
[ ${#TARGETS[@]} -eq 0 ] && TARGETS=("${ALL[@]}")

B=$SRC/build-fuzz
if [ ! -f "$B/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$SRC" -B "$B" -G Ninja -DEMBER_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    $(command -v ccache >/dev/null && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
nice -n 19 ninja -C "$B" $(printf 'fuzz_%s ' "${TARGETS[@]}")

# Seeds: the generated content by type, and the hand-made files (built by the
# regular build tree when there is one).
SEEDS=$B/seeds
rm -rf "$SEEDS"
mkdir -p "$SEEDS"
if [ -f "$SRC/build/build.ninja" ] && nice -n 19 ninja -C "$SRC/build" ember-fuzz-seeds >/dev/null; then
  "$SRC/build/tests/ember-fuzz-seeds" "$SEEDS"
fi
DATA=$SRC/build/run/data
seed_from() {  # target, find expression
  local t=$1; shift
  mkdir -p "$SEEDS/$t"
  [ -d "$DATA" ] && find "$DATA" -type f -size -64k "$@" -exec cp {} "$SEEDS/$t/" \; || true
}
seed_from manifest -name '*.xml'
seed_from png -name '*.png'
seed_from jpeg -name '*.jpg'
seed_from song -name '*.ogg'
seed_from shader_include \( -name '*.frag' -o -name '*.vert' -o -name '*.glsl' \)
seed_from lightwave -name '*.lws'
seed_from mesh -name '*.rmsh'
seed_from mesh_gz -name '*.rmzh'

# ASan's quarantine of freed memory (256 MiB by default) alone would pass the
# RSS limit; a small one still catches use after free of recent blocks.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=16:detect_leaks=1}
# Known leaks inside system libraries (libsndfile's refused Ogg files) are
# the regular build's suppressions.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$SRC/tests/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

status=0
for t in "${TARGETS[@]}"; do
  corpus=$SRC/tests/fuzz/corpus/$t
  work=$B/work/$t
  art=$B/artifacts/$t
  mkdir -p "$corpus" "$work" "$art" "$SEEDS/$t"
  dict=()
  [ -f "$SRC/tests/fuzz/dict/$t.dict" ] && dict=(-dict="$SRC/tests/fuzz/dict/$t.dict")
  echo "== $t: ${SECONDS_PER}s"
  # The working corpus starts from the committed one; new finds stay in
  # build-fuzz/work until a merge keeps the ones that add coverage.
  if ! nice -n 19 "$B/fuzz/fuzz_$t" "${dict[@]}" -rss_limit_mb=256 -malloc_limit_mb=128 -timeout=1 -max_len=4096 \
      -max_total_time="$SECONDS_PER" -print_final_stats=1 -artifact_prefix="$art/" \
      "$work" "$corpus" "$SEEDS/$t" 2>&1 | tee "$B/work/$t.log" | grep -E '^#[0-9]+ +(INITED|DONE)|ERROR|SUMMARY|stat::'; then
    :
  fi
  if grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error|SUMMARY: ' "$B/work/$t.log"; then
    echo "!! $t: failure, reproducer in $art"
    status=1
  fi
  if [ $LONG = 1 ]; then
    tmp=$B/merge/$t
    rm -rf "$tmp"
    mkdir -p "$tmp"
    nice -n 19 "$B/fuzz/fuzz_$t" -merge=1 -rss_limit_mb=256 -malloc_limit_mb=128 -timeout=1 \
      "$tmp" "$corpus" "$work" >/dev/null 2>&1
    find "$corpus" -type f ! -name 'crash-*' ! -name 'leak-*' ! -name 'timeout-*' ! -name 'oom-*' -delete
    cp "$tmp"/* "$corpus"/ 2>/dev/null || true
  fi
done
exit $status
