#include "device/line_timing.h"

namespace vorta::device {

Micros LineTiming::charTime() const { return (bitsPerChar * Micros{1000000} + baud - 1) / baud; }

Micros LineTiming::frameSilence() const {
    if (baud > 19200) return 1750;
    return (Micros{7} * bitsPerChar * 1000000 + Micros{2} * baud - 1) / (Micros{2} * baud);
}

LineTiming MakeLineTiming(int baud, int dataBits, bool parity, bool twoStopBits) {
    return {baud > 0 ? baud : 9600, 1 + dataBits + (parity ? 1 : 0) + (twoStopBits ? 2 : 1)};
}

}  // namespace vorta::device
