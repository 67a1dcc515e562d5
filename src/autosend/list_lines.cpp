#include "autosend/list_lines.h"

#include "codec/gbk_text.h"
#include "codec/hex_text.h"

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
    std::vector<std::string> lines;
    std::size_t start = 0, pos = 0;
    while (pos < list.size()) {
        if (list.substr(pos, 2) == "\r\n") {
            lines.emplace_back(list.substr(start, pos - start));
            pos += 2;
            start = pos;
        } else {
            pos += codec::GbkCharLength(list, pos);
        }
    }
    if (start < list.size()) lines.emplace_back(list.substr(start));
    return lines;
}

std::string SendPart(std::string_view line) {
    if (ContainsOnBoundary(line, "→")) return std::string(Head(line, 24));
    if (ContainsOnBoundary(line, "←")) return std::string(Head(line, 12));
    return std::string(line);
}

}  // namespace vorta::autosend
