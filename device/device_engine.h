#pragma once
// Everything the device answers, frame by frame: one complete frame (cut at a
// silence) in, the bytes to send back out.
//
// - Q20 polls (q20_reply.h) get their six-byte reply.
// - Every other frame must end in a valid CRC-16, in either byte order, or it
//   gets no answer, as on a real bus. The answer carries its CRC in the order
//   the request used; when a request's two CRC bytes are equal, in the order
//   of the last request that showed one (a master keeps to one order).
// - Q58 module polls (A 03 10 00 R C: function 03 at 0x1000, R 00 for modules
//   1-252 with A the module, R 01 for modules 253-506 with A the module - 253)
//   read C registers at 0x1000 of that module; the answer keeps the request's
//   address byte. R 00 with A up to 247 is an ordinary Modbus read.
// - Other frames are Modbus RTU requests for address A: answered when A is
//   1-247 and in the address list; address 0 is a broadcast, carried out
//   without an answer.
#include <string>
#include <string_view>

#include "device/address_list.h"
#include "device/data_model.h"
#include "device/rtu_crc.h"

namespace vorta::device {

class DeviceEngine {
public:
    explicit DeviceEngine(AddressList addresses = AddressList::all()) : addresses_(addresses) {}

    // The bytes that answer `frame` at `now`; empty when it gets no answer.
    std::string answer(std::string_view frame, const Moment& now);

    DataModel& model() { return model_; }

private:
    std::string serve(std::string_view frame, const Moment& now);

    AddressList addresses_;
    DataModel model_;
    CrcOrder lastOrder_ = CrcOrder::LowFirst;
};

}  // namespace vorta::device
