#include "codec/gbk_convert.h"

#include "codec/charset_converter.h"

namespace vorta::codec {
namespace {

using codec::CharsetConverter;
using codec::OnUnconvertible;

CharsetConverter& GbkToUtf8Converter() {
    static CharsetConverter c("UTF-8", "GBK");
    return c;
}
CharsetConverter& Utf8ToGbkConverter() {
    static CharsetConverter c("GBK", "UTF-8");
    return c;
}

// Without iconv's GBK module a name is passed on as it is: ASCII names still work.
std::string Lenient(CharsetConverter& c, std::string_view in) {
    return c.convert(in, OnUnconvertible::KeepByte).value_or(std::string(in));
}

}  // namespace

std::optional<std::string> GbkToUtf8Exact(std::string_view gbk) {
    return GbkToUtf8Converter().convert(gbk, OnUnconvertible::Fail);
}
std::optional<std::string> Utf8ToGbkExact(std::string_view utf8) {
    return Utf8ToGbkConverter().convert(utf8, OnUnconvertible::Fail);
}
std::string GbkToUtf8(std::string_view gbk) { return Lenient(GbkToUtf8Converter(), gbk); }
std::string Utf8ToGbk(std::string_view utf8) { return Lenient(Utf8ToGbkConverter(), utf8); }

}  // namespace vorta::codec
