#include "ui/qt/qt_platform.h"

#include <QClipboard>
#include <QCursor>
#include <QGuiApplication>
#include <QMimeData>
#include <QScreen>

#include "ui/qt/enter_key_grab.h"
#include "ui/qt/clipboard_text.h"
#include "ui/qt/gbk_qstring.h"
#include "ui/qt/quit_signals.h"

namespace vorta::ui::qt {
namespace {

// The program's text as other programs take it: Linux programs end lines with "\n".
QString ClipboardPlainText(const Text& text) {
    QString plain = FromGbk(text);
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return plain;
}

// Plain text on the clipboard, kept as the snapshot of the bytes it was copied
// from and converted as ClipboardText says: copying a large selection answers
// at once, and pasting it elsewhere does not stop the window for long.
class SnapshotMimeData : public QMimeData {
public:
    explicit SnapshotMimeData(TextSnapshot bytes) : plain_(std::move(bytes), ClipboardPlainText) {}
    QStringList formats() const override { return {QStringLiteral("text/plain")}; }
    bool hasFormat(const QString& mimeType) const override { return mimeType == QLatin1String("text/plain"); }

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType) const override {
        if (mimeType != QLatin1String("text/plain")) return {};
        return plain_.text();
    }

private:
    mutable ClipboardText plain_;
};

}  // namespace

QtPlatform::QtPlatform() : enter_(std::make_unique<EnterKeyGrab>()) {}
QtPlatform::~QtPlatform() = default;

Size QtPlatform::screenSize() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return {};
    return {screen->size().width(), screen->size().height()};
}

Size QtPlatform::availableScreenSize() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return {};
    return {screen->availableGeometry().width(), screen->availableGeometry().height()};
}

Point QtPlatform::cursorPos() const {
    const QPoint p = QCursor::pos();
    return {p.x(), p.y()};
}

std::optional<Text> QtPlatform::clipboardText() const {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasText()) return std::nullopt;
    // The program's texts end lines with "\r\n"; Linux programs mostly put "\n".
    QString text = data->text();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return ToGbk(text);
}

void QtPlatform::setClipboardText(const Text& text) { QGuiApplication::clipboard()->setText(ClipboardPlainText(text)); }

void QtPlatform::setClipboardSnapshot(const TextSnapshot& text) {
    QGuiApplication::clipboard()->setMimeData(new SnapshotMimeData(text));
}

bool QtPlatform::clipboardHasText() const {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasText();
}

bool QtPlatform::registerEnterHotKey(std::function<void()> onPressed) { return enter_->grab(std::move(onPressed)); }

void QtPlatform::unregisterEnterHotKey() { enter_->release(); }

void QtPlatform::setQuitHandler(std::function<void()> handler) {
    quit_.reset();
    if (handler) quit_ = std::make_unique<QuitSignals>(std::move(handler));
}

}  // namespace vorta::ui::qt
