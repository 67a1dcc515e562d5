#include "ui/qt/gbk_qstring.h"

#include <cstdint>
#include <vector>

#include "codec/charset_converter.h"
#include "codec/gbk_text.h"
#include "ui/rich_text.h"

namespace vorta::ui::qt {
namespace {

// The one GBK table of the binding: every two-byte GBK character with its
// UTF-16 character, read once from iconv and then used both ways, so what the
// program sends for a character is exactly what it shows for those bytes. A
// character without a two-byte form (the euro sign, whose single byte 0x80 is
// a lead byte to the program) becomes '?' both ways.
class GbkTable {
public:
    static const GbkTable& get() {
        static const GbkTable table;
        return table;
    }
    // The character of a lead byte (0x80-0xFF) and the byte after it; U+FFFD when none.
    char16_t decode(unsigned char lead, unsigned char trail) const {
        return toUnicode_[static_cast<std::size_t>(((lead - 0x80) << 8) | trail)];
    }
    // The two bytes (lead << 8 | trail) of a UTF-16 unit at or above 0x80, or 0 when GBK has none.
    std::uint16_t encode(char16_t c) const { return toGbk_[c]; }

private:
    GbkTable() : toUnicode_(0x8000, QChar::ReplacementCharacter), toGbk_(0x10000, 0) {
        codec::CharsetConverter decoder("UTF-16LE", "GBK");
        codec::CharsetConverter encoder("GBK", "UTF-16LE");
        for (unsigned lead = 0x81; lead <= 0xFE; ++lead)
            for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
                const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                const auto utf16 = decoder.convert(std::string_view(pair, 2), codec::OnUnconvertible::Fail);
                if (!utf16 || utf16->size() != 2) continue;  // not a character, or outside the BMP
                const auto c = static_cast<char16_t>(static_cast<unsigned char>((*utf16)[0]) |
                                                     static_cast<unsigned char>((*utf16)[1]) << 8);
                if (c < 0x80 || (c >= 0xD800 && c <= 0xDFFF)) continue;
                toUnicode_[((lead - 0x80) << 8) | trail] = c;
            }
        // Where two pairs show the same character, the encoder's choice is the one sent.
        for (unsigned index = 0; index < 0x8000; ++index) {
            const char16_t c = toUnicode_[index];
            if (c == QChar::ReplacementCharacter || toGbk_[c] != 0) continue;
            const char unit[2] = {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
            const auto gbk = encoder.convert(std::string_view(unit, 2), codec::OnUnconvertible::Fail);
            auto pair = static_cast<std::uint16_t>(index + 0x8000);
            if (gbk && gbk->size() == 2) {
                const auto chosen = static_cast<std::uint16_t>(static_cast<unsigned char>((*gbk)[0]) << 8 |
                                                               static_cast<unsigned char>((*gbk)[1]));
                if (chosen >= 0x8000 && toUnicode_[chosen - 0x8000u] == c) pair = chosen;
            }
            toGbk_[c] = pair;
        }
    }
    std::vector<char16_t> toUnicode_;
    std::vector<std::uint16_t> toGbk_;
};

bool AllAscii(const std::string& s) {
    for (unsigned char b : s)
        if (b >= 0x80) return false;
    return true;
}

QChar PairToQChar(const char* p) {
    return QChar(GbkTable::get().decode(static_cast<unsigned char>(p[0]), static_cast<unsigned char>(p[1])));
}

// One UTF-16 unit as GBK bytes: itself below 0x80, its pair, or '?'.
void AppendGbk(QChar ch, std::string& out) {
    if (ch.unicode() < 0x80) {
        out += static_cast<char>(ch.unicode());
        return;
    }
    const std::uint16_t pair = GbkTable::get().encode(ch.unicode());
    if (pair == 0) {
        out += '?';
        return;
    }
    out += static_cast<char>(pair >> 8);
    out += static_cast<char>(pair & 0xFF);
}

}  // namespace

QString FromGbk(const std::string& gbk) {
    if (AllAscii(gbk)) return QString::fromLatin1(gbk.data(), static_cast<qsizetype>(gbk.size()));
    // Characters as the logic counts them: a byte from 0x80 up leads a pair with the byte after it.
    QString out;
    out.reserve(static_cast<qsizetype>(gbk.size()));
    for (std::size_t i = 0; i < gbk.size();) {
        const std::size_t length = codec::GbkCharLength(gbk, i);
        const auto b = static_cast<unsigned char>(gbk[i]);
        if (b < 0x80)
            out += QChar(b);
        else if (length == 2)
            out += PairToQChar(gbk.data() + i);
        else
            out += QChar(QChar::ReplacementCharacter);
        i += length;
    }
    return out;
}

std::string ToGbk(const QString& text) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()) * 2);
    for (QChar ch : text) AppendGbk(ch, out);
    return out;
}

QString UnitsToQString(const std::string& gbk) {
    QString out;
    out.reserve(static_cast<qsizetype>(gbk.size()));
    const char* p = gbk.data();
    const std::size_t n = gbk.size();
    for (std::size_t i = 0; i < n;) {
        // Runs of plain ASCII (all of a hex display but its line ends) go in at once.
        std::size_t run = i;
        while (run < n && static_cast<unsigned char>(p[run]) < 0x80 && p[run] != '\r' && p[run] != '\n') ++run;
        if (run > i) {
            out.append(QLatin1StringView(p + i, static_cast<qsizetype>(run - i)));
            i = run;
            continue;
        }
        const std::size_t len = UnitLength(p + i, n - i);
        const auto b = static_cast<unsigned char>(p[i]);
        if (b == '\r' || b == '\n')
            out += QChar(QChar::ParagraphSeparator);
        else if (len == 2)
            out += PairToQChar(p + i);
        else if (b >= 0x80)
            out += QChar(QChar::ReplacementCharacter);
        else
            out += QChar(b);
        i += len;
    }
    return out;
}

std::string QStringToUnits(const QString& text) {
    std::string out;
    for (QChar ch : text) {
        if (ch == QChar::ParagraphSeparator || ch == QChar::LineSeparator || ch == u'\n') {
            out += "\r\n";
        } else {
            // One QChar stays one unit: a byte below 0x80, a two-byte character or a '?'.
            AppendGbk(ch, out);
        }
    }
    return out;
}

}  // namespace vorta::ui::qt
