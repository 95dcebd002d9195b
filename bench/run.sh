#!/usr/bin/env bash
# Builds and runs every benchmark; each prints its figures. The soak run is separate:
#   bench/run.sh            codecs, receive path, device simulation, start-up, idle, chart
#   bench/run.sh soak [s]   10 minutes (or s seconds) of traffic with auto-save
#   bench/run.sh peer [n]   receiving side by side with CuteCom, n rounds (default 3; root, Xvfb)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --test >/dev/null
b=build/bench
if [ "${1:-}" = soak ]; then
  exec $b/bench_soak "${2:-600}"
fi
if [ "${1:-}" = peer ]; then
  exec bench/peer/run.sh "${2:-3}"
fi
echo "machine: $(nproc) cores, $(free -g | awk '/Mem:/{print $2}') GiB, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
$b/bench_codecs
echo
$b/bench_receive 20 2> >(grep -v '^("' >&2)
echo
$b/bench_devicesim
echo
$b/bench_startup
echo
$b/bench_idle 30
echo
$b/bench_chart
echo
$b/bench_registers 10 2>/dev/null
echo
$b/bench_monitor 10 2>/dev/null
echo
$b/bench_scan
