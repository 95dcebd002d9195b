#!/usr/bin/python3
"""Prints the registers pymodbus builds for 32-bit values, as hex bytes in wire order
(each register high byte first), so a test can check our decoder against another encoder.
Run with Debian's interpreter (/usr/bin/python3, package python3-pymodbus).

    pymodbus_registers.py int32|uint32|float big|little big|little VALUE...

The second argument is the byte order inside a register, the third the register order.
"""
import sys

try:
    from pymodbus.constants import Endian
    from pymodbus.payload import BinaryPayloadBuilder
except ImportError:
    sys.exit("needs Debian package python3-pymodbus")


def endian(name):
    # pymodbus 3.0 spells them Big/Little, later releases BIG/LITTLE.
    for attr in (name.capitalize(), name.upper()):
        if hasattr(Endian, attr):
            return getattr(Endian, attr)
    sys.exit(f"unknown order {name!r}")


def main():
    if len(sys.argv) < 5:
        sys.exit("usage: pymodbus_registers.py int32|uint32|float big|little big|little VALUE...")
    kind, byteorder, wordorder = sys.argv[1:4]
    builder = BinaryPayloadBuilder(byteorder=endian(byteorder), wordorder=endian(wordorder))
    add = {'int32': lambda v: builder.add_32bit_int(int(v)),
           'uint32': lambda v: builder.add_32bit_uint(int(v)),
           'float': lambda v: builder.add_32bit_float(float(v))}.get(kind)
    if add is None:
        sys.exit(f"unknown kind {kind!r}")
    for value in sys.argv[4:]:
        add(value)
    print(' '.join(f'{r:04X}' for r in builder.to_registers()))


if __name__ == '__main__':
    main()
