"""mbpoll, a Modbus master written elsewhere, against vorta-device over its pseudo-terminal:
it reads holding registers 0x1000-0x1024 of address 1 and writes one register."""
import re
import subprocess
import sys

from device_fixture import Device


def mbpoll(link, *args, write=()):
    # -m rtu at 9600 8N1, one poll (-1), one second answer time-out; references are 1-based.
    command = ["mbpoll", "-m", "rtu", "-b", "9600", "-P", "none", "-o", "1", "-1", *args, link, *write]
    done = subprocess.run(command, capture_output=True, text=True, timeout=30)
    return done.returncode, done.stdout + done.stderr


def registers(output):
    return {int(ref): int(value) for ref, value in re.findall(r"^\[(\d+)\]:\s+(-?\d+)", output, re.M)}


def main(executable):
    with Device(executable) as device:
        code, out = mbpoll(device.link, "-a", "1", "-t", "4", "-r", "4097", "-c", "37")
        assert code == 0, out
        regs = registers(out)
        assert sorted(regs) == list(range(4097, 4097 + 37)), out
        assert regs[4097] == 1, out                    # 0x1000: the station that answered
        assert 200 <= regs[4099] <= 300, out            # 0x1002: the measurement
        assert 0 <= regs[4100] <= 23 and 0 <= regs[4101] <= 59, out  # hour, minute

        code, out = mbpoll(device.link, "-a", "1", "-t", "4", "-r", "4113", write=["4660"])  # 0x1010 := 0x1234
        assert code == 0 and "Written 1 references" in out, out
        code, out = mbpoll(device.link, "-a", "1", "-t", "4", "-r", "4113", "-c", "2")
        assert code == 0 and registers(out) == {4113: 4660, 4114: 0}, out

        # mbpoll sends the CRC low byte first and gets it back in that order.
        log = device.read_log()
        assert "rx 01 06 10 10 12 34" in log and "tx 01 06 10 10 12 34" in log, log

        # A live register refuses the write with exception 02; address 2 is as good as 1.
        code, out = mbpoll(device.link, "-a", "2", "-t", "4", "-r", "4098", write=["7"])
        assert code != 0 and re.search(r"Illegal data address", out, re.I), out
    print("mbpoll: read 37 registers, wrote and read back one, exception 02 on a live register")


if __name__ == "__main__":
    main(sys.argv[1])
