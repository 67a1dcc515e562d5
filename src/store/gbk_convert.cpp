#include "store/gbk_convert.h"

#include <iconv.h>

#include <cerrno>

namespace vorta::store {
namespace {

// Converts `in` from one character set to another with glibc iconv. With
// `keepUnconvertible` a byte that starts an invalid or unmappable sequence is
// copied unchanged and conversion goes on after it; without, the first such
// byte fails the whole conversion.
std::optional<std::string> Convert(const char* to, const char* from, std::string_view in,
                                   bool keepUnconvertible) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        if (keepUnconvertible) return std::string(in);
        return std::nullopt;
    }
    std::string out;
    char buffer[1024];
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    bool ok = true;
    while (srcLeft > 0) {
        char* dst = buffer;
        std::size_t dstLeft = sizeof buffer;
        const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, dst);
        if (r != static_cast<std::size_t>(-1)) continue;
        if (errno == E2BIG) continue;  // buffer full: the loop drains it
        // EILSEQ (invalid or unmappable) or EINVAL (cut-off sequence at the end).
        if (!keepUnconvertible) {
            ok = false;
            break;
        }
        out.push_back(*src);
        ++src;
        --srcLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    if (!ok) return std::nullopt;
    return out;
}

}  // namespace

std::optional<std::string> GbkToUtf8Exact(std::string_view gbk) { return Convert("UTF-8", "GBK", gbk, false); }
std::optional<std::string> Utf8ToGbkExact(std::string_view utf8) { return Convert("GBK", "UTF-8", utf8, false); }
std::string GbkToUtf8(std::string_view gbk) { return *Convert("UTF-8", "GBK", gbk, true); }
std::string Utf8ToGbk(std::string_view utf8) { return *Convert("GBK", "UTF-8", utf8, true); }

}  // namespace vorta::store
