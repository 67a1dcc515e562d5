"""A pymodbus client, a Modbus master written elsewhere, against vorta-device over its
pseudo-terminal: coils, discrete inputs and input registers, and exception 01 for function 0x2B."""
import sys

from pymodbus.client import ModbusSerialClient
from pymodbus.mei_message import ReadDeviceInformationRequest
from pymodbus.pdu import ExceptionResponse

from device_fixture import Device


def main(executable):
    with Device(executable) as device:
        client = ModbusSerialClient(port=device.link, baudrate=19200, timeout=1)
        assert client.connect()
        try:
            # Coils start off; a write of 15 reads back through 01 and 02.
            start = client.read_coils(0, 16, slave=1)
            assert not start.isError() and start.bits[:16] == [False] * 16, start
            pattern = [True, False, True, True, False, False, True, False, True, True]
            assert not client.write_coils(100, pattern, slave=3).isError()
            coils = client.read_coils(100, 10, slave=3)
            assert not coils.isError() and coils.bits[:10] == pattern, coils
            inputs = client.read_discrete_inputs(100, 10, slave=200)
            assert not inputs.isError() and inputs.bits[:10] == pattern, inputs

            # Input registers: the live block at 0x1000, then what 16 wrote.
            live = client.read_input_registers(0x1000, 7, slave=247)
            assert not live.isError(), live
            station, counter, measurement, hour, minute, second, _ = live.registers
            assert station == 247 and 200 <= measurement <= 300, live.registers
            assert hour <= 23 and minute <= 59 and second <= 59, live.registers
            assert not client.write_registers(0x2000, [1, 2, 0xBEEF], slave=1).isError()
            regs = client.read_input_registers(0x2000, 3, slave=1)
            assert not regs.isError() and regs.registers == [1, 2, 0xBEEF], regs
            later = client.read_input_registers(0x1001, 1, slave=1)
            assert later.registers[0] >= counter, (counter, later.registers)

            # Function 0x2B (read device identification) is not there: exception 01.
            answer = client.execute(ReadDeviceInformationRequest(read_code=1, object_id=0, unit=1))
            assert isinstance(answer, ExceptionResponse), answer
            assert answer.function_code == 0x2B | 0x80 and answer.exception_code == 1, answer

            # Too many registers at once: exception 03.
            answer = client.read_input_registers(0, 126, slave=1)
            assert isinstance(answer, ExceptionResponse) and answer.exception_code == 3, answer
        finally:
            client.close()
    print("pymodbus: coils, discrete inputs, input registers, exceptions 01 and 03")


if __name__ == "__main__":
    main(sys.argv[1])
