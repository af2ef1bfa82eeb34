#!/usr/bin/env bash
# Installs what is missing, builds the demo with its content, and runs it from
# its run directory. On a desktop it opens the settings dialog first; without a
# display, run it as: xvfb-run -a scripts/run-demo.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build -DCMAKE_BUILD_TYPE=Release
cd build/run
exec ./quillmoor
