#!/usr/bin/python3
"""bus_relay.py MASTER_SIDE DEVICE_SIDE TAP_SIDE BAUD: one RS-485 line between a master and a
device, with a monitor port on it. What one side writes arrives at the other side and at the
tap once a line at BAUD (10 bits a byte) has carried it, all at once, as a USB adapter hands
over what it collected; one side's message waits for the other's to be carried."""
import sys

from pace_relay import open_raw, relay

if __name__ == '__main__':
    try:
        master, device, tap = (open_raw(p) for p in sys.argv[1:4])
        relay({master: [device, tap], device: [master, tap]}, int(sys.argv[4]))
    except (KeyboardInterrupt, OSError):
        pass
