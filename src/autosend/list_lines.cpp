#include "autosend/list_lines.h"

#include "codec/gbk_text.h"
#include "codec/hex_text.h"
#include "codec/line_ends.h"
#include "codec/gbk_literal.h"

namespace vorta::autosend {
namespace {

// True when `needle` starts at a character boundary of `text`.
bool ContainsOnBoundary(std::string_view text, std::string_view needle) {
    for (std::size_t pos = 0; pos < text.size(); pos += codec::GbkCharLength(text, pos))
        if (text.substr(pos, needle.size()) == needle) return true;
    return false;
}

// The longest run of whole characters at the start of `text` within `width` bytes.
std::string_view Head(std::string_view text, std::size_t width) {
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t next = end + codec::GbkCharLength(text, end);
        if (next > width) break;
        end = next;
    }
    return text.substr(0, end);
}

}  // namespace

bool IsBlankList(std::string_view list) { return codec::RemoveSpaces(list).empty(); }

std::vector<std::string> SplitListLines(std::string_view list) {
    const std::vector<std::string_view> lines = codec::SplitLines(list);
    return {lines.begin(), lines.end()};
}

std::string SendPart(std::string_view line) {
    if (ContainsOnBoundary(line, "→"_gbk)) return std::string(Head(line, 24));
    if (ContainsOnBoundary(line, "←"_gbk)) return std::string(Head(line, 12));
    return std::string(line);
}

}  // namespace vorta::autosend
