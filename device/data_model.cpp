#include "device/data_model.h"

#include <cmath>
#include <numbers>

namespace vorta::device {

DataModel::DataModel() : coils_(kSize, false), regs_(kSize, 0) {}

std::uint16_t DataModel::measurement(std::int64_t sinceStartMicros) {
    const double seconds = static_cast<double>(sinceStartMicros) / 1e6;
    return static_cast<std::uint16_t>(std::lround(250.0 + 50.0 * std::sin(2.0 * std::numbers::pi * seconds / 60.0)));
}

std::uint16_t DataModel::reg(int address, int unit, const Moment& now) const {
    switch (address) {
    case kLiveFirst: return static_cast<std::uint16_t>(unit);
    case kCounterRegister: return static_cast<std::uint16_t>(now.sinceStartMicros / 100000);
    case kMeasurementRegister: return measurement(now.sinceStartMicros);
    case kLiveFirst + 3: return static_cast<std::uint16_t>(now.hour);
    case kLiveFirst + 4: return static_cast<std::uint16_t>(now.minute);
    case kLiveFirst + 5: return static_cast<std::uint16_t>(now.second);
    case kLiveFirst + 6: return answered_;
    default: return regs_[static_cast<std::size_t>(address)];
    }
}

}  // namespace vorta::device
