#include "ui/qt/qt_platform.h"

#include <QClipboard>
#include <QCursor>
#include <QGuiApplication>
#include <QMimeData>
#include <QScreen>

#include "ui/qt/enter_key_grab.h"
#include "ui/qt/gbk_qstring.h"

namespace vorta::ui::qt {

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

void QtPlatform::setClipboardText(const Text& text) {
    QString plain = FromGbk(text);
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QGuiApplication::clipboard()->setText(plain);
}

bool QtPlatform::registerEnterHotKey(std::function<void()> onPressed) { return enter_->grab(std::move(onPressed)); }

void QtPlatform::unregisterEnterHotKey() { enter_->release(); }

}  // namespace vorta::ui::qt
