#!/usr/bin/env bash
# Installs what is missing on Debian 12 and builds into build/.
#   scripts/setup.sh           the program only (target norvane and what it links)
#   scripts/setup.sh --test    also the test peers and Qt 6 (the test command builds the suite
#                              against it too, in build-qt6/), and every target: tests and benchmarks
# A second run on an unchanged tree installs, generates, compiles and links nothing.
set -euo pipefail
cd "$(dirname "$0")/.."

# Named one by one: recommended packages are not installed (--no-install-recommends).
packages=(g++ cmake make qtbase5-dev libqt5serialport5-dev libqt5charts5-dev
          fonts-wqy-microhei fonts-font-awesome xvfb xauth)
test_packages=(socat mbpoll python3-pymodbus python3-serial python3-serial-asyncio
               clang libfuzzer-14-dev libclang-rt-14-dev
               qt6-base-dev qt6-serialport-dev qt6-5compat-dev qt6-charts-dev
               libqt6opengl6-dev)  # Qt 6 Charts needs the OpenGL module, which Debian packs apart
target=norvane
if [ "${1:-}" = "--test" ]; then
  packages+=("${test_packages[@]}")
  target=all
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

quiet() { grep -Ev '^\[ *[0-9]+%\] (Building|Linking|Built|Automatic|Generating)' || true; }
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target "$target" -- --no-print-directory | quiet
test -x build/norvane
