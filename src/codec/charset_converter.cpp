#include "codec/charset_converter.h"

#include <cerrno>

namespace vorta::codec {

CharsetConverter::CharsetConverter(const char* to, const char* from) {
    const iconv_t cd = iconv_open(to, from);
    // NOLINTNEXTLINE(performance-no-int-to-ptr): (iconv_t)-1 is how iconv_open reports a failure
    if (cd != reinterpret_cast<iconv_t>(-1)) cd_.reset(cd);
}

std::optional<std::string> CharsetConverter::convert(std::string_view in, OnUnconvertible mode) {
    if (!cd_) return std::nullopt;
    const auto cd = static_cast<iconv_t>(cd_.get());
    std::lock_guard lock(mutex_);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);  // a fresh start, whatever the last call left
    std::string out;
    char buffer[1024];
    char* src = const_cast<char*>(in.data());  // iconv's signature; it never writes the input
    std::size_t srcLeft = in.size();
    while (srcLeft > 0) {
        char* dst = buffer;
        std::size_t dstLeft = sizeof buffer;
        const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, dst);
        if (r != static_cast<std::size_t>(-1) || errno == E2BIG) continue;  // a full buffer is drained next turn
        // EILSEQ (invalid or unmappable) or EINVAL (cut off at the end).
        if (mode == OnUnconvertible::Fail) return std::nullopt;
        out.push_back(*src);
        ++src;
        --srcLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

}  // namespace vorta::codec
