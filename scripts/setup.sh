#!/usr/bin/env bash
# Installs the Debian packages that are missing, then configures and builds
# into build/. Quick when all is done.
# Usage: scripts/setup.sh [--show] [target ...]   (no target: build everything)
#   --show  only what the show needs (./demo.sh): the packages of the program
#           and the sample plug-in, and a build configured without tests when
#           build/ is new. Without it (./test.sh), the test and tool packages
#           too, and a build with tests (a build made by --show is
#           reconfigured with them).
set -euo pipefail
cd "$(dirname "$0")/.."

show_only=0
if [ "${1:-}" = "--show" ]; then
  show_only=1
  shift
fi

# The program and the sample plug-in: compiler and build tools, the window
# and GL (SDL 1.2, GLEW, GLU, Mesa's drivers), pictures (FreeImage), PNG
# writing (libdeflate, zlib), music and video (FFmpeg's libraries, FFTW), the
# dialog and message box (GTK 3), display modes (XRandR), the tweak panel
# (Dear ImGui).
show_packages=(
  build-essential cmake pkg-config
  libsdl1.2-compat-dev libglew-dev libglu1-mesa-dev libgl1-mesa-dri
  libfreeimage-dev libdeflate-dev zlib1g-dev libfftw3-dev libgtk-3-dev libxrandr-dev libimgui-dev
  libavformat-dev libavcodec-dev libavutil-dev libswresample-dev libswscale-dev
)
# The tests, benchmarks and content tools besides: GoogleTest, the 3DS peers
# lib3ds and assimp, a virtual display (Xvfb, xauth for xvfb-run), input for
# the dialog and window tests (XTest, xdotool) and the ffmpeg command-line
# tool (test clips, the music generator), and what cpack needs to build the
# Debian package (file, dpkg-dev's dpkg-shlibdeps).
test_packages=(
  libgtest-dev lib3ds-dev libassimp-dev
  xvfb xauth libxtst-dev xdotool ffmpeg file dpkg-dev
)
packages=("${show_packages[@]}")
[ "$show_only" -eq 1 ] || packages+=("${test_packages[@]}")

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
  testing=ON
  [ "$show_only" -eq 0 ] || testing=OFF
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING="$testing"
elif [ "$show_only" -eq 0 ] && grep -q '^BUILD_TESTING:BOOL=OFF$' build/CMakeCache.txt; then
  cmake -S . -B build -DBUILD_TESTING=ON
fi
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build build -j"$(nproc)" ${targets[@]+"${targets[@]}"}
