#include "device/modbus_pdu.h"

#include <optional>

namespace vorta::device {
namespace {

constexpr int kReadBitsMax = 2000, kReadRegsMax = 125, kWriteBitsMax = 1968, kWriteRegsMax = 123;

int Byte(std::string_view pdu, std::size_t i) { return static_cast<unsigned char>(pdu[i]); }
int Word(std::string_view pdu, std::size_t i) { return Byte(pdu, i) << 8 | Byte(pdu, i + 1); }

void PutWord(std::string& out, int value) {
    out += static_cast<char>((value >> 8) & 0xFF);
    out += static_cast<char>(value & 0xFF);
}

std::string Exception(std::uint8_t function, ModbusException code) {
    return {static_cast<char>(function | 0x80), static_cast<char>(code)};
}

bool InRange(int start, int count) { return start + count <= DataModel::kSize; }

bool AllWritable(int start, int count) {
    for (int a = start; a < start + count; ++a)
        if (!DataModel::writable(a)) return false;
    return true;
}

std::string ReadBits(const DataModel& model, std::uint8_t function, int start, int count) {
    std::string out{static_cast<char>(function), static_cast<char>((count + 7) / 8)};
    for (int i = 0; i < count; i += 8) {
        int packed = 0;
        for (int bit = 0; bit < 8 && i + bit < count; ++bit)
            if (model.coil(start + i + bit)) packed |= 1 << bit;
        out += static_cast<char>(packed);
    }
    return out;
}

std::string ReadRegs(const DataModel& model, std::uint8_t function, int start, int count, int unit, const Moment& now) {
    std::string out{static_cast<char>(function), static_cast<char>(count * 2)};
    for (int a = start; a < start + count; ++a) PutWord(out, model.reg(a, unit, now));
    return out;
}

// The answer to a request of one of the eight functions, or the exception to give.
std::string Serve(DataModel& model, std::string_view pdu, int unit, const Moment& now) {
    const auto function = static_cast<std::uint8_t>(pdu[0]);
    const bool fixedLength = function >= 1 && function <= 6;
    if (fixedLength && pdu.size() != 5) return Exception(function, ModbusException::IllegalDataValue);
    switch (function) {
    case 1:
    case 2: {
        const int start = Word(pdu, 1), count = Word(pdu, 3);
        if (count < 1 || count > kReadBitsMax) return Exception(function, ModbusException::IllegalDataValue);
        if (!InRange(start, count)) return Exception(function, ModbusException::IllegalDataAddress);
        return ReadBits(model, function, start, count);
    }
    case 3:
    case 4: {
        const int start = Word(pdu, 1), count = Word(pdu, 3);
        if (count < 1 || count > kReadRegsMax) return Exception(function, ModbusException::IllegalDataValue);
        if (!InRange(start, count)) return Exception(function, ModbusException::IllegalDataAddress);
        return ReadRegs(model, function, start, count, unit, now);
    }
    case 5: {
        const int value = Word(pdu, 3);
        if (value != 0x0000 && value != 0xFF00) return Exception(function, ModbusException::IllegalDataValue);
        model.setCoil(Word(pdu, 1), value == 0xFF00);
        return std::string(pdu);
    }
    case 6: {
        const int address = Word(pdu, 1);
        if (!DataModel::writable(address)) return Exception(function, ModbusException::IllegalDataAddress);
        model.setReg(address, static_cast<std::uint16_t>(Word(pdu, 3)));
        return std::string(pdu);
    }
    case 15:
    case 16: {
        if (pdu.size() < 6) return Exception(function, ModbusException::IllegalDataValue);
        const int start = Word(pdu, 1), count = Word(pdu, 3), bytes = Byte(pdu, 5);
        const bool coils = function == 15;
        const int max = coils ? kWriteBitsMax : kWriteRegsMax;
        const int expected = coils ? (count + 7) / 8 : count * 2;
        if (count < 1 || count > max || bytes != expected || pdu.size() != 6 + static_cast<std::size_t>(bytes))
            return Exception(function, ModbusException::IllegalDataValue);
        if (!InRange(start, count) || (!coils && !AllWritable(start, count)))
            return Exception(function, ModbusException::IllegalDataAddress);
        for (int i = 0; i < count; ++i) {
            if (coils)
                model.setCoil(start + i, (Byte(pdu, 6 + i / 8) >> (i % 8)) & 1);
            else
                model.setReg(start + i, static_cast<std::uint16_t>(Word(pdu, 6 + 2 * i)));
        }
        std::string out{static_cast<char>(function)};
        PutWord(out, start);
        PutWord(out, count);
        return out;
    }
    default: return Exception(function, ModbusException::IllegalFunction);
    }
}

}  // namespace

std::string ExecutePdu(DataModel& model, std::string_view pdu, int unit, const Moment& now) {
    if (pdu.empty()) return {};
    return Serve(model, pdu, unit, now);
}

}  // namespace vorta::device
