#pragma once
// One Modbus request carried out on the data model: the protocol data unit
// (function code and data, no address, no CRC) in, the response PDU out.
//
// Functions 01 read coils, 02 read discrete inputs, 03 read holding registers,
// 04 read input registers, 05 write one coil, 06 write one register, 15 write
// coils, 16 write registers. Exceptions as the Modbus application protocol
// defines them: 01 for any other function, 03 for a quantity, byte count,
// coil value or request length out of bounds (checked first), 02 for an
// address range beyond 0xFFFF or a write to a live register.
#include <cstdint>
#include <string>
#include <string_view>

#include "device/data_model.h"

namespace vorta::device {

enum class ModbusException : std::uint8_t { IllegalFunction = 1, IllegalDataAddress = 2, IllegalDataValue = 3 };

// The response PDU to `pdu`, served for station `unit` at `now`; empty when
// `pdu` is empty (a frame without a function code gets no answer).
std::string ExecutePdu(DataModel& model, std::string_view pdu, int unit, const Moment& now);

}  // namespace vorta::device
