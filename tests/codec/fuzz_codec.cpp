// libFuzzer target: random bytes through every text operation of the codec.
// AddressSanitizer catches reads past the input; the checks below abort on
// results that break the codec's own guarantees.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "codec/crc16.h"
#include "codec/gbk_assembler.h"
#include "codec/gbk_text.h"
#include "codec/hex_text.h"
#include "codec/radix.h"

namespace {

using namespace vorta::codec;

constexpr std::string_view kAlphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

void Check(bool ok) {
    if (!ok) std::abort();
}

std::size_t CountPieces(std::string_view frame) {
    if (frame.empty()) return 0;
    std::size_t pieces = 1;
    for (std::size_t i = 0; i < frame.size(); i += GbkCharLength(frame, i)) {
        if (frame[i] == ' ' && i + 1 < frame.size()) ++pieces;
    }
    return pieces;
}

void FuzzRadix(std::string_view text, int from, int to) {
    std::string normalised(text);
    const std::string out = ConvertRadix(normalised, from, to);
    const bool valid = from >= 2 && from <= 36 && to >= 2 && to <= 36 &&
                       normalised.find_first_not_of(kAlphabet.substr(0, from)) == std::string::npos;
    if (!valid || from == to) return;
    Check(!out.empty() && out.find_first_not_of(kAlphabet.substr(0, to)) == std::string::npos);
    Check(out.size() == 1 || out[0] != '0');
    // Back again gives the input without its leading zeros.
    std::string back = out;
    const std::string again = ConvertRadix(back, to, from);
    const std::size_t first = normalised.find_first_not_of('0');
    Check(again == (first == std::string::npos ? std::string("0") : normalised.substr(first)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A view straight onto libFuzzer's buffer, so a read past its end is caught.
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    for (std::size_t i = 0; i < size; i += GbkCharLength(text, i)) {}
    Check(ToHalfWidth(text).size() <= size);
    Check(ToUpperAscii(text).size() == size);
    (void)TextToInt(text);

    const std::string compact = RemoveSpaces(text);
    Check(compact.size() <= size);
    Check(ParseHexFrame(text).evenLength == (compact.size() % 2 == 0));
    Check(TrimSpaces(text).size() <= TrimTrailingSpaces(text).size());

    const std::string frame = FormatHexPairs(text);
    const std::string bytes = HexPairsToBytes(frame);
    Check(bytes.size() == CountPieces(frame));
    (void)HexPairsToBytes(text);
    Check(Crc16Text(text).size() == 5);
    Check(TextToBytes(text).size() <= size);

    GbkAssembler assembler;
    std::size_t shown = 0;
    for (unsigned char b : text) shown += assembler.feed(b).size();
    Check(shown <= size);
    if (size > 0) Check(HexCell(data[0]).size() == 3);

    // The first two bytes pick the radixes, in and a little beyond 2..36.
    if (size >= 2) FuzzRadix(text.substr(2), data[0] % 40, data[1] % 40);
    return 0;
}
