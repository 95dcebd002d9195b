#!/usr/bin/env bash
# Takes the README's screenshots under xvfb-run with a CJK font, into docs/images/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --test
out=docs/images
mkdir -p "$out"
work=$(mktemp -d)
cleanup() { kill $(jobs -p) 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

timeout 120 socat pty,raw,echo=0,link="$work/console" pty,raw,echo=0,link="$work/device" &
for _ in $(seq 50); do [ -e "$work/device" ] && break; sleep 0.1; done
# As scripts/demo.sh starts it: holding register 0 counts up, input register 0 follows a sine.
timeout 120 /usr/bin/python3 scripts/modbus_device.py "$work/device" --changing \
  --holding 123,65535,10,0,0,0,0,0,0,0,16457,4048 --input 412,7,3 &
sleep 2
xvfb-run -a -s "-screen 0 1280x900x24" build/norvane_shots console "$out" "$work/console"
xvfb-run -a -s "-screen 0 1280x900x24" build/norvane_shots console-en "$out" "$work/console"
xvfb-run -a -s "-screen 0 1280x900x24" build/norvane_shots scan "$out" "$work/console"
xvfb-run -a -s "-screen 0 1280x900x24" build/norvane_shots kit "$out"
xvfb-run -a -s "-screen 0 1280x900x24" build/norvane_shots simulator "$out"

# The monitor on a tap of a paced line between mbpoll and a second device.
for end in master device tap; do
  timeout 120 socat pty,raw,echo=0,link="$work/$end-a" pty,raw,echo=0,link="$work/$end-b" &
done
for _ in $(seq 50); do [ -e "$work/tap-b" ] && break; sleep 0.1; done
timeout 120 /usr/bin/python3 scripts/modbus_device.py "$work/device-b" --changing --holding 500,7,-3 &
timeout 120 /usr/bin/python3 scripts/bus_relay.py "$work/master-b" "$work/device-a" "$work/tap-b" 9600 &
sleep 2
timeout 60 mbpoll -m rtu -a 1 -t 4 -r 1 -c 3 -b 9600 -P none -l 250 -o 1 "$work/master-a" >/dev/null &
xvfb-run -a -s "-screen 0 1280x900x24" build/norvane_shots monitor "$out" "$work/tap-a"
