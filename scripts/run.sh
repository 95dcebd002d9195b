#!/usr/bin/env bash
# Sets up what is missing, builds the program (nothing else) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting under xvfb-run (an invisible X server)."
  exec xvfb-run -a build/norvane
fi
exec build/norvane
