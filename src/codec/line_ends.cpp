#include "codec/line_ends.h"

#include "codec/gbk_text.h"

namespace vorta::codec {

std::size_t LineEndLength(std::string_view text, std::size_t pos) {
    if (text[pos] == '\n') return 1;
    if (text[pos] != '\r') return 0;
    return pos + 1 < text.size() && text[pos + 1] == '\n' ? 2 : 1;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0, pos = 0;
    while (pos < text.size()) {
        if (const std::size_t end = LineEndLength(text, pos)) {
            lines.push_back(text.substr(start, pos - start));
            pos += end;
            start = pos;
        } else {
            pos += GbkCharLength(text, pos);
        }
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::string WithCrLfLineEnds(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        if (const std::size_t end = LineEndLength(text, pos)) {
            out += "\r\n";
            pos += end;
        } else {
            const std::size_t length = GbkCharLength(text, pos);
            out.append(text, pos, length);
            pos += length;
        }
    }
    return out;
}

}  // namespace vorta::codec
