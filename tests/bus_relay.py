#!/usr/bin/python3
"""bus_relay.py MASTER_SIDE DEVICE_SIDE TAP_SIDE BAUD: one RS-485 line between a master and a
device, with a monitor port on it. What one side writes arrives at the other side and at the
tap once a line at BAUD (10 bits a byte) has carried it, all at once, as a USB adapter hands
over what it collected; one side's message waits for the other's to be carried."""
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
            data = os.read(fd, 4096)
            if not queue:
                next_time = time.monotonic() + per_byte * len(data)
            queue.append((device if fd == master else master, data))
        if queue and time.monotonic() >= next_time:
            to, data = queue.pop(0)
            os.write(to, data)
            os.write(tap, data)
            if queue:
                next_time = time.monotonic() + per_byte * len(queue[0][1])


if __name__ == '__main__':
    try:
        main()
    except (KeyboardInterrupt, OSError):
        pass
