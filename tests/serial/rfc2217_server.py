#!/usr/bin/env python3
"""A second RFC 2217 server for the network-port tests: pyserial's PortManager
(python3-serial) in front of a serial device. Serves one connection on
127.0.0.1:PORT, then exits. Usage: rfc2217_server.py DEVICE PORT"""
import select
import socket
import sys

import serial
import serial.rfc2217



class PseudoTerminal(serial.Serial):
    """A pseudo-terminal has no modem lines: they read as off and switching them does nothing."""
    cts = dsr = ri = cd = property(lambda self: False)

    def _update_dtr_state(self):
        pass

    def _update_rts_state(self):
        pass

    def _update_break_state(self):
        pass


device, port = sys.argv[1], int(sys.argv[2])
line = PseudoTerminal(device, timeout=0)
listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listener.bind(("127.0.0.1", port))
listener.listen(1)
print("listening", flush=True)
client, _ = listener.accept()
client.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)


class Connection:
    def write(self, data):
        client.sendall(data)


manager = serial.rfc2217.PortManager(line, Connection())
while True:
    ready, _, _ = select.select([client, line.fileno()], [], [], 0.2)
    if client in ready:
        data = client.recv(4096)
        if not data:
            break
        line.write(b"".join(manager.filter(data)))
    if line.fileno() in ready:
        data = line.read(4096)
        if data:
            client.sendall(b"".join(manager.escape(data)))
    manager.check_modem_lines()
