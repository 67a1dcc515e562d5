#include "ui/qt/rich_text_clipboard.h"

#include <QStringList>

#include "ui/qt/adapters.h"
#include "ui/qt/clipboard_text.h"
#include "ui/qt/gbk_qstring.h"

namespace vorta::ui::qt {
namespace {

// What a copy puts on the clipboard: a snapshot of the selected bytes (shared
// with the display, not copied) and their colours, taken at once. The plain
// text is made as ClipboardText says; the HTML with colours only when a program
// asks for it, and only for a copy of up to kHtmlBytes: a coloured page of a
// whole large display would take seconds to build and serves no program.
class ClipboardData : public QMimeData {
public:
    struct ColourRun {
        std::size_t end;  // byte offset in the selection where the run ends
        Colour colour;
    };
    static constexpr std::size_t kHtmlBytes = 1 << 20;
    ClipboardData(const TextSnapshot& bytes, std::vector<ColourRun> runs)
        : plain_(bytes, plainText), runs_(std::move(runs)) {
        if (bytes.size() <= kHtmlBytes) forHtml_ = bytes;
    }
    QStringList formats() const override {
        if (forHtml_.empty()) return {QStringLiteral("text/plain")};
        return {QStringLiteral("text/plain"), QStringLiteral("text/html")};
    }
    bool hasFormat(const QString& mimeType) const override { return formats().contains(mimeType); }

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType) const override {
        if (mimeType == QLatin1String("text/plain")) return plain_.text();
        if (mimeType != QLatin1String("text/html") || forHtml_.empty()) return {};
        const std::string selected = forHtml_.bytes();
        QString html = QStringLiteral("<pre>");
        std::size_t start = 0;
        for (const ColourRun& run : runs_) {
            // Line ends become <br> between spans, so each span holds the text of one line.
            const QStringList lines =
                UnitsToQString(selected.substr(start, run.end - start)).split(QChar(QChar::ParagraphSeparator));
            start = run.end;
            for (qsizetype i = 0; i < lines.size(); ++i) {
                if (i > 0) html += QStringLiteral("<br>");
                if (lines[i].isEmpty()) continue;
                const QString text = lines[i].toHtmlEscaped();
                html +=
                    run.colour == kDefaultColour
                        ? text
                        : QStringLiteral("<span style=\"color:%1;\">%2</span>").arg(ToQColor(run.colour).name(), text);
            }
        }
        return html + QStringLiteral("</pre>");
    }

private:
    // Units as text, a line end as "\n".
    static QString plainText(const std::string& bytes) {
        QString plain = UnitsToQString(bytes);
        plain.replace(QChar(QChar::ParagraphSeparator), QLatin1Char('\n'));
        return plain;
    }
    mutable ClipboardText plain_;
    std::vector<ColourRun> runs_;
    TextSnapshot forHtml_;  // empty beyond kHtmlBytes
};

}  // namespace

QMimeData* MakeClipboardData(const RichText& rich, BytePos from, BytePos to) {
    // The data the tools read: the stamps stay behind.
    std::vector<RichText::Run> kept;
    const TextSnapshot data = rich.dataSnapshot(from, to, &kept);
    std::vector<ClipboardData::ColourRun> colours;
    colours.reserve(kept.size());
    for (const RichText::Run& run : kept) colours.push_back({run.byteEnd.value(), rich.format(run.format).colour});
    return new ClipboardData(data, std::move(colours));
}

}  // namespace vorta::ui::qt
