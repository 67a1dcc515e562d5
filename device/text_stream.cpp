#include "device/text_stream.h"

#include <cstdio>
#include "codec/gbk_literal.h"

namespace vorta::device {

std::string StreamLine(const DataModel& model, const Moment& now) {
    const unsigned counter = model.reg(DataModel::kCounterRegister, 0, now);
    const unsigned tenths = model.reg(DataModel::kMeasurementRegister, 0, now);
    char line[128];
    std::snprintf(line, sizeof line, "[%02d:%02d:%02d] 演示设备 计数 %u 温度 %u.%u℃ OK\r\n"_gbk, now.hour, now.minute,
                  now.second, counter, tenths / 10, tenths % 10);
    return line;
}

}  // namespace vorta::device
