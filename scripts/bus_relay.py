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


def relay(routes, baud):
    """Forever: what a key of `routes` writes reaches its list of ports once the line has
    carried it, one message after another."""
    per_byte = 10.0 / baud
    queue = []  # (destinations, bytes) in the order the line carries them
    due = 0.0  # when the first of them is through
    print('relay ready', flush=True)
    while True:
        timeout = max(0.0, due - time.monotonic()) if queue else 1.0
        ready, _, _ = select.select(list(routes), [], [], timeout)
        for fd in ready:
            data = os.read(fd, 4096)
            if data:
                if not queue:
                    due = time.monotonic() + per_byte * len(data)
                queue.append((routes[fd], data))
        if queue and time.monotonic() >= due:
            to, data = queue.pop(0)
            for fd in to:
                os.write(fd, data)
            if queue:
                due = time.monotonic() + per_byte * len(queue[0][1])


if __name__ == '__main__':
    try:
        master, device, tap = (open_raw(p) for p in sys.argv[1:4])
        relay({master: [device, tap], device: [master, tap]}, int(sys.argv[4]))
    except (KeyboardInterrupt, OSError):
        pass
