#!/usr/bin/env bash
# Installs the Debian packages the build, the demo and the tests need, when any is missing.
set -euo pipefail
PKGS=(
  build-essential cmake ninja-build pkg-config
  libsdl2-dev libglew-dev libtinyxml-dev libpng-dev libjpeg-dev zlib1g-dev
  libsndfile1-dev libvorbis-dev libgtk-3-dev libfreetype-dev
  libgtest-dev googletest libbenchmark-dev
  fonts-league-spartan fonts-inter
  xvfb xauth xdotool x11-utils xfonts-base libgl1-mesa-dri libegl-dev libegl-mesa0 mesa-utils
  clang libclang-rt-14-dev
  ffmpeg vorbis-tools imagemagick sox libxml2-utils glslang-tools aubio-tools
)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
