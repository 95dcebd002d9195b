#!/usr/bin/python3
"""A Modbus RTU device on a serial port, for tests and for trying the console without
hardware. Run with Debian's interpreter (/usr/bin/python3: python3-pymodbus, python3-serial).

    modbus_device.py PORT [--slave N | --any-slave] [--holding 123,65535,10] [--input 1,2,3]
                     [--coils 1,0,1] [--discrete 0,1] [--changing] [--tcp | --rtu-over-tcp]

With --tcp (Modbus TCP) or --rtu-over-tcp (RTU frames in a TCP stream), PORT is a TCP port
on 127.0.0.1 instead of a serial port.

Holding registers, input registers, coils and discrete inputs all start at address 0. With --changing, holding
register 0 counts up and input register 0 follows a slow sine once a second.
"""
import argparse
import asyncio
import logging
import math
import os
import signal
import sys
import time

from pymodbus.datastore import ModbusSequentialDataBlock, ModbusServerContext, ModbusSlaveContext
from pymodbus.framer.rtu_framer import ModbusRtuFramer
from pymodbus.framer.socket_framer import ModbusSocketFramer
from pymodbus.server import StartAsyncSerialServer
from pymodbus.server.async_io import ModbusTcpServer


def values(text):
    return [int(v) & 0xFFFF for v in text.split(',') if v.strip()] if text else []


async def change(store):
    start = time.monotonic()
    while True:
        await asyncio.sleep(1.0)
        t = time.monotonic() - start
        hr = store.getValues(3, 0, 1)[0]
        store.setValues(3, 0, [(hr + 1) & 0xFFFF])
        store.setValues(4, 0, [int(500 + 400 * math.sin(t / 10.0))])


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('port')
    parser.add_argument('--slave', type=int, default=1)
    parser.add_argument('--any-slave', action='store_true', help='answer every address, 0 included')
    parser.add_argument('--baud', type=int, default=9600)
    parser.add_argument('--holding', default='123,65535,10')
    parser.add_argument('--input', default='1,2,3')
    parser.add_argument('--coils', default='')
    parser.add_argument('--discrete', default='')
    parser.add_argument('--tcp', action='store_true')
    parser.add_argument('--rtu-over-tcp', action='store_true')
    parser.add_argument('--changing', action='store_true')
    args = parser.parse_args()
    logging.basicConfig(level=logging.ERROR)

    holding = values(args.holding) + [0] * 100
    inputs = values(args.input) + [0] * 100
    # zero_mode: register address n is list index n.
    coils = [v & 1 for v in values(args.coils)] + [0] * 100
    discrete = [v & 1 for v in values(args.discrete)] + [0] * 100
    store = ModbusSlaveContext(hr=ModbusSequentialDataBlock(0, holding),
                               ir=ModbusSequentialDataBlock(0, inputs),
                               co=ModbusSequentialDataBlock(0, coils),
                               di=ModbusSequentialDataBlock(0, discrete), zero_mode=True)
    if args.any_slave:
        context = ModbusServerContext(slaves=store, single=True)
    else:
        context = ModbusServerContext(slaves={args.slave: store}, single=False)
    if args.changing:
        asyncio.get_running_loop().create_task(change(store))
    if args.tcp or args.rtu_over_tcp:
        framer = ModbusRtuFramer if args.rtu_over_tcp else ModbusSocketFramer
        server = ModbusTcpServer(context, framer=framer, address=('127.0.0.1', int(args.port)),
                                 allow_reuse_address=True)
        task = asyncio.get_running_loop().create_task(server.serve_forever())
        await server.serving
        print('modbus device serving on 127.0.0.1:%s over TCP' % args.port, flush=True)
        await task
        return
    server = await StartAsyncSerialServer(context=context, framer=ModbusRtuFramer, port=args.port,
                                          baudrate=args.baud, bytesize=8, parity='N', stopbits=1,
                                          defer_start=True)
    await server.start()
    if server.transport is None:
        sys.exit('cannot open %s' % args.port)
    print('modbus device serving on %s, slave %s' % (args.port, 'any' if args.any_slave else args.slave),
          flush=True)
    await server.serve_forever()

if __name__ == '__main__':
    # Ends at once: an exit raised inside the event loop or a log call prints a traceback.
    signal.signal(signal.SIGTERM, lambda *a: os._exit(0))
    try:
        asyncio.run(main())
    except KeyboardInterrupt:
        pass
