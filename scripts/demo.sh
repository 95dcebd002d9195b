#!/usr/bin/env bash
# Try the console without hardware.
#   scripts/demo.sh            the console talks to a virtual Modbus RTU device
#   scripts/demo.sh simulate   the console plays the device; poll it with mbpoll
# Everything started here stops when the console window is closed (or on Ctrl+C).
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-device}
scripts/setup.sh --demo >/dev/null

work=$(mktemp -d /tmp/norvane-demo.XXXXXX)
cleanup() {
  kill $(jobs -p) 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

mkdir -p "$work/app"
cp build/norvane "$work/app/norvane"
socat pty,raw,echo=0,link="$work/ttyConsole" pty,raw,echo=0,link="$work/ttyPeer" &
for _ in $(seq 50); do [ -e "$work/ttyPeer" ] && break; sleep 0.1; done

# Only the keys that differ from the defaults; the console completes the file itself.
if [ "$mode" = simulate ]; then
  printf '[ComConfig]\nPortName=%s\nHexSend=true\nHexReceive=true\nDebug=true\nAutoPrint=true\n' \
    "$work/ttyConsole" > "$work/app/norvane.ini"
  # Replies for "read 2 holding registers at 0" and "read 1 input register at 0", slave 1.
  printf '01 03 00 00 00 02;01 03 04 00 7B 01 C8 8A 2C\n01 04 00 00 00 01;01 04 02 01 9A 38 CB\n' \
    > "$work/app/device.txt"
  cat <<TXT
The console plays a Modbus device on $work/ttyConsole.
Press "打开串口", then poll it from another terminal:
  mbpoll -m rtu -a 1 -r 1 -c 2 -t 4 -b 9600 -P none -1 $work/ttyPeer
  mbpoll -m rtu -a 1 -r 1 -c 1 -t 3 -b 9600 -P none -1 $work/ttyPeer
TXT
else
  printf '[ComConfig]\nPortName=%s\nHexSend=true\nHexReceive=true\nAutoPrint=true\n' \
    "$work/ttyConsole" > "$work/app/norvane.ini"
  /usr/bin/python3 scripts/modbus_device.py "$work/ttyPeer" --any-slave --changing \
    --holding 123,65535,10 --input 500,7,3 >/dev/null 2>&1 &
  cat <<TXT
A virtual Modbus RTU device answers on $work/ttyConsole: holding registers 0.. count up,
input register 0 follows a slow wave. Press "打开串口", then "发送"; function code 4 reads
input registers, 3 holding registers, 6 writes one. Values appear as "数值解析 >>" lines.
TXT
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting under xvfb-run (an invisible X server)."
  xvfb-run -a "$work/app/norvane"
else
  "$work/app/norvane"
fi
