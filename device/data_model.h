#pragma once
// What the device holds: 65536 coils and 65536 16-bit registers, shared by
// every station number it answers. Discrete inputs are a read-only view of the
// coils and input registers a read-only view of the holding registers, so
// whatever a master writes it can read back through either function.
//
// Seven registers from 0x1000 on are live and read only, so that polling the
// program's default frame (37 registers from 0x1000) shows movement:
//   0x1000  the station number that answers (1-506)
//   0x1001  a counter: tenths of a second since the device started
//   0x1002  a measurement in tenths of a degree, 20.0-30.0, one sine period a minute
//   0x1003  hour, 0x1004 minute, 0x1005 second of the local time of day
//   0x1006  frames answered so far
// Everything else starts at 0 and is memory.
#include <cstdint>
#include <vector>

namespace vorta::device {

// The moment a request is served: what the live registers are computed from.
struct Moment {
    std::int64_t sinceStartMicros = 0;
    int hour = 0, minute = 0, second = 0;
};

class DataModel {
public:
    static constexpr int kSize = 65536;
    static constexpr int kLiveFirst = 0x1000;
    static constexpr int kLiveCount = 7;
    static constexpr int kCounterRegister = 0x1001;
    static constexpr int kMeasurementRegister = 0x1002;

    DataModel();

    bool coil(int address) const { return coils_[static_cast<std::size_t>(address)]; }
    void setCoil(int address, bool on) { coils_[static_cast<std::size_t>(address)] = on; }

    // A holding (or input) register as `unit` reads it at `now`.
    std::uint16_t reg(int address, int unit, const Moment& now) const;
    // Live registers cannot be written.
    static bool writable(int address) { return address < kLiveFirst || address >= kLiveFirst + kLiveCount; }
    void setReg(int address, std::uint16_t value) { regs_[static_cast<std::size_t>(address)] = value; }

    void countAnswer() { ++answered_; }

    // The measurement at a time since start, in tenths of a degree.
    static std::uint16_t measurement(std::int64_t sinceStartMicros);

private:
    std::vector<bool> coils_;
    std::vector<std::uint16_t> regs_;
    std::uint16_t answered_ = 0;
};

}  // namespace vorta::device
