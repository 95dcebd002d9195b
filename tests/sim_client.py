#!/usr/bin/python3
"""A pymodbus master for the simulator: writes holding register 1 and coil 1 of slave 1,
then reads coils 0-9, discrete inputs 0-1, holding registers 0-2 and input register 5, and
prints what it read, one line per read. Run with Debian's interpreter (python3-pymodbus).

    sim_client.py PORT BAUD
"""
import logging
import sys

from pymodbus.client import ModbusSerialClient

logging.disable(logging.CRITICAL)
# pymodbus 3.0 takes a time limit under a second as none at all.
client = ModbusSerialClient(port=sys.argv[1], baudrate=int(sys.argv[2]), timeout=1, retries=0)
if not client.connect():
    sys.exit(f"cannot open {sys.argv[1]}")
for write in (client.write_register(1, 77, slave=1), client.write_coil(1, True, slave=1)):
    if write.isError():
        sys.exit(str(write))
for read, count in ((client.read_coils(0, 10, slave=1), 10),
                    (client.read_discrete_inputs(0, 2, slave=1), 2)):
    print(' '.join(str(int(b)) for b in read.bits[:count]))
for read in (client.read_holding_registers(0, 3, slave=1),
             client.read_input_registers(5, 1, slave=1)):
    print(' '.join(str(r) for r in read.registers))
