// Every Chinese text of the codec lives in this file, so that a build whose
// compiler cannot produce GBK literals needs only this one object from GCC.
#include "codec/radix_texts.h"
#include "codec/gbk_literal.h"

namespace vorta::codec {

namespace {

// The radix as money amounts write it: 10 is "一十", 16 "一十六", 20 "二十".
std::string ChineseNumeral(int n) {
    static constexpr const char* kDigits[] = {"零"_gbk, "一"_gbk, "二"_gbk, "三"_gbk, "四"_gbk,
                                              "五"_gbk, "六"_gbk, "七"_gbk, "八"_gbk, "九"_gbk};
    if (n < 10) return kDigits[n];
    std::string out = kDigits[n / 10];
    out += "十"_gbk;
    if (n % 10 != 0) out += kDigits[n % 10];
    return out;
}

}  // namespace

std::string RadixRangeErrorText() { return "参数错误-进制只能在2-36之间"_gbk; }

std::string NotANumberErrorText(std::string_view text, int radix) {
    std::string out = "参数错误-"_gbk;
    out += text;
    out += "不是一个有效的"_gbk;
    out += ChineseNumeral(radix);
    out += "进制数！"_gbk;
    return out;
}

}  // namespace vorta::codec
