#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (only those
# missing), then configures and builds into build/. Quick when all is done.
# Usage: scripts/setup.sh [target ...]   (no target: build everything)
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake pkg-config file dpkg-dev
  libsdl1.2-compat-dev libglew-dev libglu1-mesa-dev libgl1-mesa-dri
  libfreeimage-dev libdeflate-dev zlib1g-dev libfftw3-dev libgtk-3-dev libxrandr-dev libimgui-dev
  libavformat-dev libavcodec-dev libavutil-dev libswresample-dev libswscale-dev
  libgtest-dev lib3ds-dev libassimp-dev
  xvfb xauth xdotool ffmpeg
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi

if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build build -j"$(nproc)" ${targets[@]+"${targets[@]}"}
