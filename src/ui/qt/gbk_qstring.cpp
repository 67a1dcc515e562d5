#include "ui/qt/gbk_qstring.h"

#include <iconv.h>

#include <mutex>
#include <vector>

#include "ui/rich_text.h"

namespace vorta::ui::qt {
namespace {

// iconv descriptors are not thread-safe; conversions happen on the UI thread,
// but a mutex keeps a stray call from another thread harmless.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }
    // Converts all of `in`; false at the first byte sequence that cannot be converted.
    bool convert(const char* data, std::size_t size, std::string& out) {
        std::lock_guard lock(mutex_);
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        out.resize(size * 4 + 8);
        char* in = const_cast<char*>(data);
        char* o = out.data();
        std::size_t inLeft = size, outLeft = out.size();
        const bool ok = iconv(cd_, &in, &inLeft, &o, &outLeft) != static_cast<std::size_t>(-1);
        out.resize(out.size() - outLeft);
        return ok && inLeft == 0;
    }

private:
    iconv_t cd_;
    std::mutex mutex_;
};

Converter& gbkToUtf8() {
    static Converter c("UTF-8", "GBK");
    return c;
}
Converter& utf8ToGbk() {
    static Converter c("GBK", "UTF-8");
    return c;
}

bool allAscii(const std::string& s) {
    for (unsigned char b : s)
        if (b >= 0x80) return false;
    return true;
}

// One two-byte unit as one QChar, from a table of all 32768 pairs built on first use,
// so a display full of Chinese text costs a lookup per character.
QChar pairToQChar(const char* p) {
    static const std::vector<char16_t> table = [] {
        std::vector<char16_t> t(0x8000, QChar::ReplacementCharacter);
        for (unsigned lead = 0x80; lead <= 0xFF; ++lead)
            for (unsigned trail = 0; trail <= 0xFF; ++trail) {
                const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                std::string utf8;
                if (!gbkToUtf8().convert(pair, 2, utf8)) continue;
                const QString s = QString::fromUtf8(utf8);
                if (s.size() == 1) t[((lead - 0x80) << 8) | trail] = s[0].unicode();
            }
        return t;
    }();
    const auto lead = static_cast<unsigned char>(p[0]), trail = static_cast<unsigned char>(p[1]);
    return QChar(table[((lead - 0x80) << 8) | trail]);
}

}  // namespace

QString FromGbk(const std::string& gbk) {
    if (allAscii(gbk)) return QString::fromLatin1(gbk.data(), static_cast<qsizetype>(gbk.size()));
    std::string utf8;
    if (gbkToUtf8().convert(gbk.data(), gbk.size(), utf8)) return QString::fromUtf8(utf8);
    // Broken input: convert character by character so one bad byte does not lose the rest.
    QString out;
    for (std::size_t i = 0; i < gbk.size();) {
        const auto b = static_cast<unsigned char>(gbk[i]);
        if (b < 0x80) {
            out += QChar(b);
            ++i;
        } else if (i + 1 < gbk.size()) {
            out += pairToQChar(gbk.data() + i);
            i += 2;
        } else {
            out += QChar(QChar::ReplacementCharacter);
            ++i;
        }
    }
    return out;
}

std::string ToGbk(const QString& text) {
    std::string out;
    const QByteArray utf8 = text.toUtf8();
    if (utf8ToGbk().convert(utf8.constData(), static_cast<std::size_t>(utf8.size()), out)) return out;
    out.clear();
    for (QChar ch : text) {
        std::string one;
        const QByteArray u = QString(ch).toUtf8();
        out += ch.isSurrogate() || !utf8ToGbk().convert(u.constData(), static_cast<std::size_t>(u.size()), one)
                   ? std::string("?")
                   : one;
    }
    return out;
}

QString UnitsToQString(const std::string& gbk) {
    QString out;
    out.reserve(static_cast<qsizetype>(gbk.size()));
    const char* p = gbk.data();
    const std::size_t n = gbk.size();
    for (std::size_t i = 0; i < n;) {
        const std::size_t len = UnitLength(p + i, n - i);
        const auto b = static_cast<unsigned char>(p[i]);
        if (b == '\r' || b == '\n')
            out += QChar(QChar::ParagraphSeparator);
        else if (len == 2)
            out += pairToQChar(p + i);
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
        } else if (ch.unicode() < 0x80) {
            out += static_cast<char>(ch.unicode());
        } else {
            const std::string one = ToGbk(QString(ch));
            // One QChar must stay one unit: a two-byte character or a '?'.
            out += one.size() == 2 ? one : std::string("?");
        }
    }
    return out;
}

}  // namespace vorta::ui::qt
