#include "codec/gbk_assembler.h"

namespace vorta::codec {

std::string GbkAssembler::feed(unsigned char b) {
    if (b < 0x80) return b == 0 ? std::string() : std::string(1, static_cast<char>(b));
    if (lead_ == 0) {
        lead_ = b;
        return {};
    }
    std::string character{static_cast<char>(lead_), static_cast<char>(b)};
    lead_ = 0;
    return character;
}

}  // namespace vorta::codec
