#!/usr/bin/python3
"""bus_relay.py MASTER_SIDE DEVICE_SIDE TAP_SIDE BAUD: one RS-485 line between a master and a
device, with a monitor port on it. Bytes go both ways no faster than a line at BAUD (10 bits a
byte), and the tap hears every byte when the line carries it."""
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
    master, device, tap = (open_raw(p) for p in sys.argv[1:4])
    per_byte = 10.0 / int(sys.argv[4])
    queue = []  # (destination, bytes) in the order the line carries them
    next_time = time.monotonic()
    print('relay ready', flush=True)
    while True:
        timeout = max(0.0, next_time - time.monotonic()) if queue else 1.0
        ready, _, _ = select.select([master, device], [], [], timeout)
        for fd in ready:
            queue.append((device if fd == master else master, os.read(fd, 4096)))
            next_time = max(next_time, time.monotonic())
        if queue and time.monotonic() >= next_time:
            to, data = queue[0]
            chunk = data[:4]
            queue[0] = (to, data[4:])
            if not queue[0][1]:
                queue.pop(0)
            os.write(to, chunk)
            os.write(tap, chunk)
            next_time += per_byte * len(chunk)


if __name__ == '__main__':
    try:
        main()
    except (KeyboardInterrupt, OSError):
        pass
