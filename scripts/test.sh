#!/usr/bin/env bash
# Installs what is missing, builds everything, and runs every test headless:
# once on the regular build, then the unit and GL tests again under
# AddressSanitizer + UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/install-deps.sh

# Headless GL: Mesa's llvmpipe behind Xvfb gives a real core-profile context.
export LIBGL_ALWAYS_SOFTWARE=1
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
jobs=$(nproc)
xvfb=(xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp")

echo "== regular build"
scripts/build.sh build
"${xvfb[@]}" ctest --test-dir build --output-on-failure -j "$jobs"

if [ "${EMBER_SKIP_SANITIZERS:-0}" != 1 ]; then
  echo "== sanitizer build (ASan + UBSan)"
  scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DEMBER_SANITIZE=ON
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_init_order=1
  export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  # llvmpipe rasterizes on the calling thread: LeakSanitizer's exit-time
  # thread stop has then no driver worker threads to trip over.
  export LP_NUM_THREADS=0
  "${xvfb[@]}" ctest --test-dir build-asan --output-on-failure -j "$jobs" -LE scripts
fi
