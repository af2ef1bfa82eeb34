# Helpers the end-to-end scripts share; sourced, never run on its own. The
# sourcing script sets $run_dir (the run directory) and $work (its scratch
# directory) before it calls them.

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A working directory whose data/ mirrors the run directory's, so a test can
# replace single files.
make_dir() {
  local dir=$work/$1
  mkdir -p "$dir/data"
  for entry in "$run_dir"/data/*; do ln -s "$entry" "$dir/data/"; done
  echo "$dir"
}

# Waits up to $2 seconds for a window named $1 of size $3 (any size when
# empty); prints its id.
wait_window() {
  local name=$1 seconds=$2 size=${3:-} id
  for _ in $(seq $((seconds * 10))); do
    # SDL's message boxes are plain X windows that xdotool's search misses;
    # the window tree lists every named window.
    id=$(xwininfo -root -tree 2>/dev/null |
      awk -v n="\"${name}\": " -v s="$size" 'index($0, n) && (s == "" || index($0, " " s "+")) {print $1; exit}')
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# Waits up to $2 seconds for process $1; its exit code in $status, 124 on time-out.
wait_exit() {
  local pid=$1 seconds=$2
  for _ in $(seq $((seconds * 10))); do
    if ! kill -0 "$pid" 2>/dev/null; then wait "$pid"; status=$?; return 0; fi
    sleep 0.1
  done
  kill -9 "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; status=124
}

# True when file $1 has line $2, leading tabs (the log's nesting) ignored.
has_line() { grep -qxF -- "$2" <(sed 's/^\t*//' "$1"); }
