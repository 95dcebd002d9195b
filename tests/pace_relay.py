#!/usr/bin/python3
"""pace_relay.py CONSOLE_SIDE DEVICE_SIDE BAUD: relays both ways, the device's bytes no faster
than a line at BAUD (10 bits a byte), eight at a time, so that a reply takes its time on the
wire and comes in pieces. bus_relay.py runs the same line for a bus."""
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


def relay(paced, baud, direct=None, piece=0):
    """Forever: what a key of `paced` writes reaches its list of ports once a line at `baud`
    has carried it (in pieces of `piece` bytes, or as it was read), one message after another;
    what a key of `direct` writes reaches its list at once."""
    direct = direct or {}
    per_byte = 10.0 / baud
    queue = []  # (destinations, bytes) in the order the line carries them
    due = 0.0  # when the first of them is through
    print('relay ready', flush=True)
    while True:
        timeout = max(0.0, due - time.monotonic()) if queue else 1.0
        ready, _, _ = select.select(list(paced) + list(direct), [], [], timeout)
        for fd in ready:
            data = os.read(fd, 4096)
            for to in direct.get(fd, []):
                os.write(to, data)
            if fd not in paced:
                continue
            step = piece or len(data) or 1
            for at in range(0, len(data), step):
                if not queue:
                    due = time.monotonic() + per_byte * len(data[at:at + step])
                queue.append((paced[fd], data[at:at + step]))
        if queue and time.monotonic() >= due:
            to, data = queue.pop(0)
            for fd in to:
                os.write(fd, data)
            if queue:
                due = time.monotonic() + per_byte * len(queue[0][1])


def main():
    console, device = open_raw(sys.argv[1]), open_raw(sys.argv[2])
    relay({device: [console]}, int(sys.argv[3]), direct={console: [device]}, piece=8)


if __name__ == '__main__':
    try:
        main()
    except (KeyboardInterrupt, OSError):
        pass
