#include "device/device_engine.h"

#include <optional>

#include "device/modbus_pdu.h"
#include "device/q20_reply.h"

namespace vorta::device {
namespace {

constexpr int kHighestModbusAddress = 247;
constexpr int kQ58HighRangeOffset = 253;

// The module number of a Q58 poll that plain Modbus would not serve, or nullopt.
std::optional<int> Q58Module(std::string_view body) {
    if (body.size() != 6) return std::nullopt;
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(body[i]); };
    if (b(1) != 0x03 || b(2) != 0x10 || b(3) != 0x00) return std::nullopt;
    if (b(4) == 0x01) return b(0) + kQ58HighRangeOffset;
    if (b(4) == 0x00 && b(0) > kHighestModbusAddress && b(0) < kQ58HighRangeOffset) return b(0);
    return std::nullopt;
}

}  // namespace

std::string DeviceEngine::answer(std::string_view frame, const Moment& now) {
    std::string reply = serve(frame, now);
    if (!reply.empty()) model_.countAnswer();
    return reply;
}

std::string DeviceEngine::serve(std::string_view frame, const Moment& now) {
    if (const auto address = Q20Address(frame)) {
        if (!addresses_.contains(*address)) return {};
        return Q20Reply(*address, DataModel::measurement(now.sinceStartMicros));
    }
    const auto checked = CheckCrc(frame);
    if (!checked || checked->body.size() < 2) return {};
    if (!checked->eitherOrder) lastOrder_ = checked->order;
    const CrcOrder order = lastOrder_;
    const std::string_view body = checked->body;
    const int address = static_cast<unsigned char>(body[0]);

    if (const auto module = Q58Module(body)) {
        if (!addresses_.contains(*module)) return {};
        // The module's read: C registers from 0x1000.
        const std::string pdu{'\x03', '\x10', '\x00', '\x00', body[5]};
        return Seal(std::string(body.substr(0, 1)) + ExecutePdu(model_, pdu, *module, now), order);
    }
    if (address == 0) {
        ExecutePdu(model_, body.substr(1), 0, now);
        return {};
    }
    if (address > kHighestModbusAddress || !addresses_.contains(address)) return {};
    return Seal(std::string(body.substr(0, 1)) + ExecutePdu(model_, body.substr(1), address, now), order);
}

}  // namespace vorta::device
