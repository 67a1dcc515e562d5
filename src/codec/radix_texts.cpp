// Every Chinese text of the codec lives in this file, so that a build whose
// compiler cannot produce GBK literals needs only this one object from GCC.
#include "codec/radix_texts.h"

namespace vorta::codec {

namespace {

// The radix as money amounts write it: 10 is "一十", 16 "一十六", 20 "二十".
std::string ChineseNumeral(int n) {
    static constexpr const char* kDigits[] = {"零", "一", "二", "三", "四", "五", "六", "七", "八", "九"};
    if (n < 10) return kDigits[n];
    std::string out = kDigits[n / 10];
    out += "十";
    if (n % 10 != 0) out += kDigits[n % 10];
    return out;
}

}  // namespace

std::string RadixRangeErrorText() { return "参数错误-进制只能在2-36之间"; }

std::string NotANumberErrorText(std::string_view text, int radix) {
    std::string out = "参数错误-";
    out += text;
    out += "不是一个有效的";
    out += ChineseNumeral(radix);
    out += "进制数！";
    return out;
}

}  // namespace vorta::codec
