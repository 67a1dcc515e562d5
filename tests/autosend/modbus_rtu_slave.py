"""A Modbus RTU slave (address 1) from Debian's pymodbus, serving holding registers on a serial
device, that logs every frame it was sent: one line per frame, "ok <hex>" when its CRC checked
and "bad <hex>" otherwise, and "junk <hex>" for bytes it threw away without a frame.

Usage: modbus_rtu_slave.py DEVICE LOG
Prints "ready" once it listens; SIGTERM ends it.
Register n holds (n * 7 + 1) mod 65536 for n in 0 .. 0x10FF.
"""
import asyncio
import logging
import signal
import sys

from pymodbus.datastore import ModbusSequentialDataBlock, ModbusServerContext, ModbusSlaveContext
from pymodbus.framer.rtu_framer import ModbusRtuFramer
from pymodbus.server.async_io import ModbusSerialServer


def register_value(n):
    return (n * 7 + 1) & 0xFFFF


def make_framer(log):
    class RecordingFramer(ModbusRtuFramer):
        """The stock RTU framer, noting each frame it checks and each byte run it drops."""

        def checkFrame(self):
            ok = super().checkFrame()
            size = self._header.get("len", 0)
            frame = bytes(self._buffer[:size]) if size else bytes(self._buffer)
            log.write(("ok " if ok else "bad ") + frame.hex(" ") + "\n")
            log.flush()
            return ok

        def resetFrame(self):
            if self._buffer:
                log.write("junk " + bytes(self._buffer).hex(" ") + "\n")
                log.flush()
            super().resetFrame()

    return RecordingFramer


async def serve(device, log):
    block = ModbusSequentialDataBlock(0, [register_value(n) for n in range(0x1100)])
    context = ModbusServerContext(slaves={1: ModbusSlaveContext(hr=block, zero_mode=True)}, single=False)
    server = ModbusSerialServer(context, make_framer(log), port=device, baudrate=9600, timeout=0)
    await server.start()
    if server.transport is None:
        raise SystemExit(f"cannot open {device}")
    stop = asyncio.Event()
    asyncio.get_running_loop().add_signal_handler(signal.SIGTERM, stop.set)
    print("ready", flush=True)
    await stop.wait()
    logging.getLogger("pymodbus").setLevel(logging.CRITICAL)  # its handler reports being cancelled
    await server.shutdown()


def main():
    device, log_path = sys.argv[1], sys.argv[2]
    with open(log_path, "w", encoding="ascii") as log:
        asyncio.run(serve(device, log))


if __name__ == "__main__":
    main()
