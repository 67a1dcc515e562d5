#include "store/ini_document.h"

#include <vector>

#include "codec/gbk_text.h"

namespace vorta::store {
namespace {

bool IsBlank(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x01 && b <= 0x20;
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Position of the first (or last) character `c` that is a character of its
// own and not the trail byte of a two-byte character; npos when none.
std::size_t FindGbkChar(std::string_view s, char c, bool last) {
    std::size_t found = std::string_view::npos;
    for (std::size_t i = 0; i < s.size(); i += codec::GbkCharLength(s, i)) {
        if (s[i] != c) continue;
        found = i;
        if (!last) break;
    }
    return found;
}

struct Line {
    enum class Type { Other, Header, Item };
    std::string_view raw;
    Type type = Type::Other;
    std::string_view name;   // section name or key
    std::string_view value;  // item value, blanks removed
};

Line ParseLine(std::string_view raw) {
    Line line{raw};
    const std::string_view t = TrimBlanks(raw);
    if (!t.empty() && t.front() == '[') {
        const std::size_t close = FindGbkChar(t, ']', true);
        if (close != std::string_view::npos) {
            line.type = Line::Type::Header;
            line.name = TrimBlanks(t.substr(1, close - 1));
            return line;
        }
    }
    const std::size_t eq = FindGbkChar(t, '=', false);
    if (eq != std::string_view::npos) {
        line.type = Line::Type::Item;
        line.name = TrimBlanks(t.substr(0, eq));
        line.value = TrimBlanks(t.substr(eq + 1));
    }
    return line;
}

// Editors that save UTF-8 may put a byte-order mark first; it belongs to no line.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Lines end at "\n"; a "\r" before it belongs to the line end, so files with
// CRLF and with LF line ends read alike. A leading byte-order mark is skipped.
std::vector<Line> ParseLines(std::string_view content) {
    if (content.starts_with(kByteOrderMark)) content.remove_prefix(kByteOrderMark.size());
    std::vector<Line> lines;
    while (!content.empty()) {
        const std::size_t nl = content.find('\n');
        std::string_view raw = content.substr(0, nl);
        content.remove_prefix(nl == std::string_view::npos ? content.size() : nl + 1);
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        lines.push_back(ParseLine(raw));
    }
    return lines;
}

bool IsHeader(const Line& line, std::string_view section) {
    return line.type == Line::Type::Header && SameIniName(line.name, section);
}
bool IsItem(const Line& line, std::string_view key) {
    return line.type == Line::Type::Item && SameIniName(line.name, key);
}

// Index of the first header of `section`, or lines.size().
std::size_t FindSection(const std::vector<Line>& lines, std::string_view section) {
    std::size_t i = 0;
    while (i < lines.size() && !IsHeader(lines[i], section)) ++i;
    return i;
}

// One past the last line of the section whose header is at `header`.
std::size_t SectionEnd(const std::vector<Line>& lines, std::size_t header) {
    std::size_t i = header + 1;
    while (i < lines.size() && lines[i].type != Line::Type::Header) ++i;
    return i;
}

}  // namespace

std::string_view SkipLeadingBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
}

std::string_view TrimBlanks(std::string_view s) {
    s = SkipLeadingBlanks(s);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool SameIniName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size();) {
        const std::size_t len = codec::GbkCharLength(a, i);
        if (len == 1) {
            if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
        } else if (a.substr(i, len) != b.substr(i, len)) {
            return false;
        }
        i += len;
    }
    return true;
}

std::optional<std::string> FindIniValue(std::string_view content, std::string_view section, std::string_view key) {
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    const std::vector<Line> lines = ParseLines(content);
    const std::size_t header = FindSection(lines, section);
    if (header == lines.size()) return std::nullopt;
    const std::size_t end = SectionEnd(lines, header);
    for (std::size_t i = header + 1; i < end; ++i)
        if (IsItem(lines[i], key)) return std::string(lines[i].value);
    return std::nullopt;
}

std::string EditIni(std::string_view content, std::string_view section, std::optional<std::string_view> key,
                    std::optional<std::string_view> value) {
    const std::vector<Line> lines = ParseLines(content);
    std::vector<std::string> out;
    out.reserve(lines.size() + 2);

    if (!key || !value) {
        // Deleting: a whole section, or one key wherever that section occurs.
        bool inSection = false;
        for (const Line& line : lines) {
            if (line.type == Line::Type::Header) inSection = IsHeader(line, section);
            const bool drop = inSection && (!key || IsItem(line, *key));
            if (!drop) out.emplace_back(line.raw);
        }
    } else {
        for (const Line& line : lines) out.emplace_back(line.raw);
        const std::string item = std::string(*key) + "=" + std::string(*value);
        const std::size_t header = FindSection(lines, section);
        if (header == lines.size()) {
            out.push_back("[" + std::string(section) + "]");
            out.push_back(item);
        } else {
            const std::size_t end = SectionEnd(lines, header);
            std::size_t found = end, lastFilled = header;
            for (std::size_t i = header + 1; i < end && found == end; ++i) {
                if (IsItem(lines[i], *key)) found = i;
                if (!TrimBlanks(lines[i].raw).empty()) lastFilled = i;
            }
            if (found != end)
                out[found] = std::string(lines[found].name) + "=" + std::string(*value);
            else
                out.insert(out.begin() + static_cast<std::ptrdiff_t>(lastFilled + 1), item);
        }
    }

    // A byte-order mark stays where it was, so the file keeps its editor's form.
    std::string result(content.starts_with(kByteOrderMark) ? kByteOrderMark : std::string_view());
    for (const std::string& line : out) result += line + "\r\n";
    return result;
}

}  // namespace vorta::store
