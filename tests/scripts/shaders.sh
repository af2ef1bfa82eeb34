#!/usr/bin/env bash
# Every GLSL stage file under the run directory's data/shaders/ goes through glslangValidator after
# its "#include <name>" directives are expanded exactly as the shader loader does it (relative to
# data/shaders/, at any depth). Include files themselves (.glsl) are checked as part of the stages.
# Usage: shaders.sh RUN_DIR BINARY_DIR
set -uo pipefail
run_dir=$(cd "$1" && pwd)
shaders=$run_dir/data/shaders
failures=0
checked=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# expand FILE DEPTH: prints FILE with its includes replaced by their expanded text.
expand() {
  local file=$1 depth=$2 line name rest
  if [ "$depth" -gt 32 ]; then echo "include nesting too deep at $file" >&2; return 1; fi
  [ -s "$file" ] || { echo "cannot read $file" >&2; return 1; }
  while IFS= read -r line || [ -n "$line" ]; do
    if [[ $line =~ ^(.*)\#include\ \<([^\>]*)\>(.*)$ ]]; then
      printf '%s' "${BASH_REMATCH[1]}"
      name=${BASH_REMATCH[2]}
      rest=${BASH_REMATCH[3]}
      expand "$shaders/$name" $((depth + 1)) || return 1
      printf '%s\n' "$rest"
    else
      printf '%s\n' "$line"
    fi
  done <"$file"
}

if [ ! -d "$shaders" ]; then
  echo "no shaders under $shaders"
  exit 0
fi
while IFS= read -r -d '' f; do
  ext=${f##*.}
  case $ext in
    vert|frag|geom|comp) stage=$ext ;;
    ctrl) stage=tesc ;;
    eval) stage=tese ;;
    *) continue ;;
  esac
  rel=${f#"$shaders"/}
  out=$scratch/expanded.$stage
  if ! expand "$f" 0 >"$out"; then
    fail "$rel: include expansion failed"
    continue
  fi
  checked=$((checked + 1))
  if glslangValidator -S "$stage" "$out" >"$scratch/log" 2>&1; then
    echo "ok: $rel"
  else
    fail "$rel does not validate"
    sed 's/^/    /' "$scratch/log"
  fi
done < <(find "$shaders" -type f -print0 | sort -z)

echo "$checked stage files checked, $failures failed"
[ "$failures" = 0 ]
