#!/usr/bin/env bash
# Installs what is missing on Debian 12 and builds into build/.
#   scripts/setup.sh           the program only (target norvane and what it links)
#   scripts/setup.sh --demo    the program, and the peers scripts/demo.sh runs beside it
#   scripts/setup.sh --test    also the test peers and Qt 6 (the test command builds the suite
#                              against it too, in build-qt6/), and every target: tests and benchmarks
#   scripts/setup.sh --package the packaging and package-check tools as well, and builds nothing
#                              (scripts/package.sh builds in build-pkg/)
# A second run on an unchanged tree installs, generates, compiles and links nothing.
set -euo pipefail
cd "$(dirname "$0")/.."

# Named one by one: recommended packages are not installed (--no-install-recommends).
# lrelease builds the translations (qttools5-dev-tools); qttools5-dev has its CMake package.
packages=(g++ cmake make qtbase5-dev libqt5serialport5-dev libqt5charts5-dev
          qttools5-dev-tools qttools5-dev fonts-wqy-microhei fonts-font-awesome xvfb xauth)
# Qt 6 Charts needs the OpenGL module, which Debian packs apart; Qt 6's lrelease is in
# qt6-l10n-tools, its CMake package in qt6-tools-dev.
test_packages=(socat mbpoll tshark python3-pymodbus python3-serial python3-serial-asyncio
               clang clang-format libfuzzer-14-dev libclang-rt-14-dev
               qt6-base-dev qt6-serialport-dev qt6-5compat-dev qt6-charts-dev
               libqt6opengl6-dev qt6-tools-dev qt6-l10n-tools)
# CPack's Debian generator finds the Qt runtime packages with dpkg-shlibdeps, which needs file;
# the package check (scripts/test-package.sh) validates the menu entry and metainfo and starts
# the program as a new user (useradd).
package_packages=(dpkg-dev file desktop-file-utils appstream passwd)
# scripts/demo.sh: the virtual port pair, the Modbus device on it, and the poller it suggests.
demo_packages=(socat mbpoll python3-pymodbus python3-serial python3-serial-asyncio)
target=norvane
case "${1:-}" in
  --test) packages+=("${test_packages[@]}" "${package_packages[@]}"); target=all ;;
  --demo) packages+=("${demo_packages[@]}") ;;
  --package) packages+=("${package_packages[@]}"); target="" ;;
esac

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

[ -n "$target" ] || exit 0
quiet() { grep -Ev '^\[ *[0-9]+%\] (Building|Linking|Built|Automatic|Generating)' || true; }
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target "$target" -- --no-print-directory | quiet
test -x build/norvane
