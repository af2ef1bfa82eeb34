#!/usr/bin/env bash
# Checks the content tree of the run directory with real tools: the manifest against its schema and
# against what the renderer looks up by name, every file the manifest names, the loading screen's
# picture and shaders, the gradient, byte-identical regeneration, and a no-op second build.
# Usage: content.sh RUN_DIR BINARY_DIR
set -uo pipefail
run_dir=$(cd "$1" && pwd)
binary_dir=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
data=$run_dir/data
manifest=$data/demo.xml
schema=$here/demo.xsd
tool=$binary_dir/tools/qm-contentgen
failures=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
xq() { xmllint --xpath "$1" "$manifest" 2>/dev/null; }

# --- The manifest -------------------------------------------------------------------------------
if [ ! -f "$manifest" ]; then
  fail "no manifest at $manifest"
  exit 1
fi
if xmllint --noout --schema "$schema" "$manifest" 2>"$scratch/xsd.log"; then
  pass "manifest validates against demo.xsd"
else
  fail "manifest does not validate:"; cat "$scratch/xsd.log"
fi

# The schema must be able to fail: each broken copy of the manifest has to be rejected.
broken_cases=(
  "unknown format|s/format=\"rgba_fp16\"/format=\"rgba_fp99\"/"
  "attachment naming no render target|s/buffer=\"blur_color\"/buffer=\"blur_colour\"/"
  "unknown attachment point|s/type=\"color1\"/type=\"colour1\"/"
  "song without bpm|s/ bpm=\"140\"//"
  "size that is neither pixels nor screen|0,/width=\"screen\"/s//width=\"half\"/"
  "framebuffer name used twice|s/<fbo name=\"blur\">/<fbo name=\"dof\">/"
  "texture name used twice|s/name=\"dof_color\"/name=\"blur_color\"/"
  "missing models section|/<models>/,/<\/models>/d"
)
for c in "${broken_cases[@]}"; do
  what=${c%%|*}
  edit=${c#*|}
  sed "$edit" "$manifest" >"$scratch/broken.xml"
  if cmp -s "$scratch/broken.xml" "$manifest"; then
    fail "schema case '$what' did not change the manifest"
  elif xmllint --noout --schema "$schema" "$scratch/broken.xml" 2>/dev/null; then
    fail "schema accepts a manifest with $what"
  else
    pass "schema rejects $what"
  fi
done

# Song: the track and its tempo.
song=$(xq 'string(/demo/song/@file)')
bpm=$(xq 'string(/demo/song/@bpm)')
[ "$bpm" = 140 ] && pass "song tempo 140" || fail "song bpm is '$bpm', expected 140"

# Render targets the renderer, the composite and the parts find by name.
for t in diffuse_specular normal_depth backbuffer_depth light_accumulation backbuffer_color ssao_buffer \
         blur_temp_color blur_color dof_color spotlight_sm_01 spotlight_sm_02 spotlight_sm_03 spotlight_sm_04; do
  [ "$(xq "count(/demo/framebuffers/*[self::texture or self::renderbuffer][@name='$t'])")" = 1 ] \
    || fail "render target '$t' missing"
done
for f in gbuffer light_accumulation backbuffer ssao_buffer blur_temp blur dof \
         spotlight_sm_01 spotlight_sm_02 spotlight_sm_03 spotlight_sm_04; do
  [ "$(xq "count(/demo/framebuffers/fbo[@name='$f'])")" = 1 ] || fail "framebuffer '$f' missing"
done
gb=/demo/framebuffers/fbo[@name=\'gbuffer\']/attachment
[ "$(xq "count($gb[@type='color0'])+count($gb[@type='color1'])")" = 2 ] \
  && [ "$(xq "count($gb[@type='depth_stencil'])")" = 1 ] \
  && [ "$(xq "count($gb)")" = 3 ] \
  && pass "G-buffer: two colour attachments and a depth-stencil attachment" \
  || fail "G-buffer attachments are not color0, color1 and depth_stencil"
for n in 01 02 03 04; do
  [ "$(xq "string(/demo/framebuffers/fbo[@name='spotlight_sm_$n']/attachment[@type='depth']/@buffer)")" = "spotlight_sm_$n" ] \
    || fail "shadow framebuffer spotlight_sm_$n does not render into the depth texture of the same name"
done
# The shadow maps are sampled as depth: they must hold a depth format.
for n in 01 02 03 04; do
  case $(xq "string(/demo/framebuffers/texture[@name='spotlight_sm_$n']/@format)") in
    depth_*) ;;
    *) fail "spotlight_sm_$n is not a depth texture" ;;
  esac
done
# Every attachment of one framebuffer has the same size text, so no framebuffer is incomplete or cropped.
for f in $(xq '/demo/framebuffers/fbo/@name' | sed 's/ name="\([^"]*\)"/\1 /g'); do
  sizes=$(for b in $(xq "/demo/framebuffers/fbo[@name='$f']/attachment/@buffer" | sed 's/ buffer="\([^"]*\)"/\1 /g'); do
            xq "concat(/demo/framebuffers/*[@name='$b' and not(self::fbo)]/@width, 'x', /demo/framebuffers/*[@name='$b' and not(self::fbo)]/@height)"
            echo
          done | sed '/^$/d' | sort -u)
  [ "$(echo "$sizes" | wc -l)" = 1 ] || fail "framebuffer $f mixes attachment sizes: $(echo $sizes)"
done
# The blur pair is shared by glow/radial blur ("blur") and depth of field ("dof"): one size for all three.
[ "$(for t in blur_temp_color blur_color dof_color; do
       xq "concat(/demo/framebuffers/texture[@name='$t']/@width, 'x', /demo/framebuffers/texture[@name='$t']/@height)"; echo
     done | sed '/^$/d' | sort -u | wc -l)" = 1 ] || fail "blur_temp_color, blur_color and dof_color differ in size"

# --- Every file the manifest names ----------------------------------------------------------------
missing=0
need() { [ -s "$data/$1" ] || { fail "the manifest names $1, which is missing or empty"; missing=$((missing + 1)); }; }
[ -n "$song" ] && need "$song"
count=$(xq 'count(/demo/shaders/program)')
for ((i = 1; i <= count; i++)); do
  p="/demo/shaders/program[$i]"
  name=$(xq "string($p/@name)")
  on() { [ "$(xq "string($p/@$1)")" = yes ]; }
  any=$(xq "count($p/@vert|$p/@frag|$p/@geom|$p/@tess|$p/@comp)")
  if [ "$(xq "count($p/feedback)")" != 0 ]; then
    need "shaders/$name.vert"
  elif on comp; then
    need "shaders/$name.comp"
  elif on tess; then
    for e in vert ctrl eval frag; do need "shaders/$name.$e"; done
  elif [ "$any" = 0 ] || { on vert && on frag; }; then
    need "shaders/$name.vert"; need "shaders/$name.frag"
    on geom && need "shaders/$name.geom"
  else
    fail "program $name has no loadable stage combination"
  fi
done
count=$(xq 'count(/demo/textures/image)')
for ((i = 1; i <= count; i++)); do need "textures/$(xq "string(/demo/textures/image[$i]/@file)")"; done
count=$(xq 'count(/demo/textures/cubemap)')
for ((i = 1; i <= count; i++)); do
  base=$(xq "string(/demo/textures/cubemap[$i]/@file)")
  for k in 0 1 2 3 4 5; do need "textures/${base}_c0$k.png"; done
done
count=$(xq 'count(/demo/models/mesh)')
for ((i = 1; i <= count; i++)); do need "models/$(xq "string(/demo/models/mesh[$i]/@file)")"; done
[ $missing = 0 ] && pass "every file the manifest names exists"

# --- Loading screen -------------------------------------------------------------------------------
pic=$data/loading/loading.jpg
dialog=$data/loading/dialog.png
[ "$(identify -format '%m %w %h' "$pic" 2>/dev/null)" = "JPEG 1280 720" ] \
  && pass "loading.jpg is a 1280x720 JPEG" || fail "loading.jpg is not a valid 1280x720 JPEG"
[ "$(ffprobe -v error -select_streams v:0 -show_entries stream=codec_name,width,height -of csv=p=0 "$pic" 2>/dev/null)" = "mjpeg,1280,720" ] \
  || fail "ffprobe does not read loading.jpg as a 1280x720 JPEG"
[ "$(identify -format '%m %w %h' "$dialog" 2>/dev/null)" = "PNG 384 216" ] \
  && pass "dialog.png is a 384x216 PNG" || fail "dialog.png is not a valid 384x216 PNG"
# Not blank: a dark picture (mean well below mid grey) with real contrast from the lettering.
for img in "$pic" "$dialog"; do
  read -r mean maxv < <(identify -format '%[fx:mean] %[fx:maxima]\n' "$img" 2>/dev/null)
  awk -v m="${mean:-1}" -v x="${maxv:-0}" 'BEGIN { exit !(m > 0.01 && m < 0.2 && x > 0.9) }' \
    || fail "$(basename "$img") does not look like the title card (mean $mean, max $maxv)"
done
for stage in vs:vert fs:frag; do
  f=$data/loading/loading.${stage%%:*}
  glslangValidator -S "${stage#*:}" "$f" >"$scratch/glsl.log" 2>&1 \
    && pass "loading.${stage%%:*} compiles" || { fail "loading.${stage%%:*} does not compile"; cat "$scratch/glsl.log"; }
  head -n1 "$f" | grep -qx '#version 330 core' || fail "loading.${stage%%:*} is not GLSL 330 core"
  # The shader loader expands this directive anywhere, even in comments.
  grep -q '#include <' "$f" && fail "loading.${stage%%:*} contains an include directive"
done
grep -Eq '^in vec2 POSITION;' "$data/loading/loading.vs" || fail "loading.vs does not read POSITION"
grep -Eq '^uniform vec2 params;' "$data/loading/loading.fs" || fail "loading.fs has no uniform params"
grep -Eq '^uniform sampler2D loading;' "$data/loading/loading.fs" || fail "loading.fs has no sampler loading"

# --- Gradient -------------------------------------------------------------------------------------
grad=$data/qm_gradient.grad
if [ "$(stat -c %s "$grad" 2>/dev/null)" = 768 ]; then
  pass "qm_gradient.grad is 768 bytes"
  entry() { od -An -v -tu1 -j $(($1 * 3)) -N 3 "$grad" | awk '{print $1, $2, $3}'; }
  [ "$(entry 0)" = "0 0 0" ] || fail "gradient does not start black: $(entry 0)"
  [ "$(entry 255)" = "255 255 255" ] || fail "gradient does not end white: $(entry 255)"
  read -r r g b <<<"$(entry 51)"; [ "$b" -gt "$r" ] && [ "$b" -gt "$g" ] || fail "gradient at 0.2 is not deep blue: $r $g $b"
  read -r r g b <<<"$(entry 120)"; [ "$g" -gt "$r" ] && [ "$b" -gt "$r" ] || fail "gradient at 0.47 is not teal: $r $g $b"
  read -r r g b <<<"$(entry 200)"; [ "$r" -gt "$g" ] && [ "$g" -gt "$b" ] || fail "gradient at 0.78 is not amber: $r $g $b"
else
  fail "qm_gradient.grad is not 768 bytes"
fi

# --- Determinism ----------------------------------------------------------------------------------
# Every generator but the song (checked by its own test, and slow) runs twice into fresh directories;
# the outputs must be byte-identical to each other and to what the build put into the run directory.
generators=$("$tool" --help 2>&1 | sed -n 's/^generators://p' | tr ' ' '\n' | grep -v -i -E '^$|song|music')
only=()
for g in $generators; do only+=(--only "$g"); done
if [ ${#only[@]} = 0 ]; then
  fail "cannot list the content tool's generators"
elif "$tool" "$scratch/a" "${only[@]}" >/dev/null && "$tool" "$scratch/b" "${only[@]}" >/dev/null; then
  if diff -r -q "$scratch/a" "$scratch/b"; then
    pass "two runs of [$(echo $generators)] are byte-identical"
  else
    fail "regenerated content differs between runs"
  fi
  stale=0
  while IFS= read -r f; do
    cmp -s "$scratch/a/$f" "$data/$f" || { fail "run directory's $f differs from a fresh run"; stale=1; }
  done < <(cd "$scratch/a" && find . -type f | sed 's|^\./||')
  [ $stale = 0 ] && pass "run directory holds exactly what the tool generates"
else
  fail "the content tool failed"
fi

# --- A second build with no change does nothing ---------------------------------------------------
if command -v ninja >/dev/null && [ -f "$binary_dir/build.ninja" ]; then
  stamp_before=$(find "$data" "$binary_dir/tools" -type f -printf '%p %T@\n' | sort)
  ninja -C "$binary_dir" content data_text >"$scratch/ninja1.log" 2>&1 || fail "building content failed"
  stamp_mid=$(find "$data" "$binary_dir/tools" -type f -printf '%p %T@\n' | sort)
  ninja -C "$binary_dir" content data_text >"$scratch/ninja2.log" 2>&1
  stamp_after=$(find "$data" "$binary_dir/tools" -type f -printf '%p %T@\n' | sort)
  if grep -q 'no work to do' "$scratch/ninja2.log" && [ "$stamp_mid" = "$stamp_after" ]; then
    pass "a second build regenerates nothing"
  else
    fail "a second build did work:"; cat "$scratch/ninja2.log"
  fi
  [ "$stamp_before" = "$stamp_mid" ] || echo "note: the content was out of date before this test and has been rebuilt"
fi

# --- For review -----------------------------------------------------------------------------------
mkdir -p "$binary_dir/review"
cp -f "$pic" "$binary_dir/review/loading.jpg" && cp -f "$dialog" "$binary_dir/review/dialog.png" \
  && pass "pictures copied to $binary_dir/review" || fail "cannot copy the pictures for review"

if [ $failures -gt 0 ]; then
  echo "content: $failures check(s) failed"
  exit 1
fi
echo "content: all checks passed"
