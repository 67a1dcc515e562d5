#include "codec/radix.h"

#include "codec/big_number.h"
#include "codec/gbk_text.h"
#include "codec/radix_texts.h"

namespace vorta::codec {

std::string ConvertRadix(std::string& text, int from, int to) {
    if (from < 2 || to < 2 || from > 36 || to > 36) return RadixRangeErrorText();
    text = ToUpperAscii(ToHalfWidth(text));
    // Checked byte by byte, so any byte of a two-byte character is rejected.
    if (text.find_first_not_of(kDigitAlphabet.substr(0, from)) != std::string::npos) {
        return NotANumberErrorText(text, from);
    }
    if (from == to) return text;
    return LimbsToDigits(DigitsToLimbs(text, from), to);
}

}  // namespace vorta::codec
