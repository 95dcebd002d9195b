#!/usr/bin/env bash
# Installs what is missing on Debian 12 and builds the program into build/.
# Usage: scripts/setup.sh [--test]   (--test also installs the test peers)
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(g++ cmake make qtbase5-dev libqt5serialport5-dev fonts-wqy-microhei fonts-font-awesome xvfb xauth)
if [ "${1:-}" = "--test" ]; then
  packages+=(socat mbpoll python3-pymodbus python3-serial libmodbus-dev clang libfuzzer-14-dev)
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

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" -- --no-print-directory | grep -Ev '^\[ *[0-9]+%\] (Building|Linking|Built|Automatic|Generating)' || true
test -x build/norvane
