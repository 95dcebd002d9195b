#!/usr/bin/env bash
# Builds the Debian package of the program into build-pkg/ and prints its path:
#   scripts/package.sh
#   sudo apt-get install ./build-pkg/norvane_<version>_amd64.deb
# The program alone, built for the /usr prefix it is installed to; tests and extras are left out.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --package
quiet() { grep -Ev '^\[ *[0-9]+%\] (Building|Linking|Built|Automatic|Generating)' || true; }
# cpack installs without building everything first (the tests are configured too).
cmake -S . -B build-pkg -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DNORVANE_EXTRAS=OFF \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build build-pkg -j"$(nproc)" --target norvane -- --no-print-directory | quiet
rm -f build-pkg/norvane_*.deb
(cd build-pkg && cpack -G DEB >cpack.log 2>&1) || { cat build-pkg/cpack.log; exit 1; }
deb=$(ls build-pkg/norvane_*.deb)
echo "$deb"
