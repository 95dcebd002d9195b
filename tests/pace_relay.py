#!/usr/bin/python3
"""pace_relay.py CONSOLE_SIDE DEVICE_SIDE BAUD: relays both ways, the device's bytes no faster
than a line at BAUD (10 bits a byte), so that a reply takes its time on the wire."""
import os
import select
import sys
import termios
import time
import tty


def open_raw(path):
    fd = os.open(path, os.O_RDWR | os.O_NOCTTY)
    tty.setraw(fd, termios.TCSANOW)
    return fd


def main():
    console, device, baud = open_raw(sys.argv[1]), open_raw(sys.argv[2]), int(sys.argv[3])
    per_byte = 10.0 / baud
    waiting = b''
    next_time = time.monotonic()
    print('relay ready', flush=True)
    while True:
        timeout = max(0.0, next_time - time.monotonic()) if waiting else 1.0
        ready, _, _ = select.select([console, device], [], [], timeout)
        if console in ready:
            os.write(device, os.read(console, 4096))
        if device in ready:
            waiting += os.read(device, 4096)
            next_time = max(next_time, time.monotonic())
        if waiting and time.monotonic() >= next_time:
            chunk, waiting = waiting[:8], waiting[8:]
            os.write(console, chunk)
            next_time += per_byte * len(chunk)


if __name__ == '__main__':
    try:
        main()
    except (KeyboardInterrupt, OSError):
        pass
