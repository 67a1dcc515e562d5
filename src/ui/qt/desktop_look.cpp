#include "ui/qt/desktop_look.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>

namespace vorta::ui::qt {

QPalette LightPalette() {
    const QColor window(239, 239, 239);
    const QColor dark = window.darker(150);
    const QColor mid = window.darker(130);
    QPalette p(Qt::black, window, window.lighter(150), dark, mid, Qt::black, Qt::white);
    p.setColor(QPalette::Midlight, mid.lighter(110));
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, Qt::black);
    p.setColor(QPalette::Shadow, dark.darker(135));
    p.setColor(QPalette::Highlight, QColor(48, 140, 198));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::AlternateBase, QColor(247, 247, 247));
    p.setColor(QPalette::ToolTipBase, QColor(255, 255, 220));
    p.setColor(QPalette::ToolTipText, Qt::black);
    p.setColor(QPalette::Link, QColor(0, 0, 255));
    p.setColor(QPalette::LinkVisited, QColor(255, 0, 255));
    p.setColor(QPalette::BrightText, Qt::white);
    QColor placeholder(Qt::black);
    placeholder.setAlpha(128);
    p.setColor(QPalette::PlaceholderText, placeholder);
    const QColor disabledText(190, 190, 190);
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabledText);
    p.setColor(QPalette::Disabled, QPalette::Base, window);
    p.setColor(QPalette::Disabled, QPalette::Dark, QColor(209, 209, 209).darker(110));
    p.setColor(QPalette::Disabled, QPalette::Shadow, dark.darker(135).lighter(150));
    p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(145, 145, 145));
    return p;
}

QFont GuiFont() {
    QFont gui(QStringLiteral("宋体"));
    gui.setPixelSize(12);
    gui.setWeight(QFont::Normal);
    gui.setStyle(QFont::StyleNormal);
    return gui;
}

namespace {

// Puts the program's palette and font back after anything else set its own.
class LookKeeper : public QObject {
public:
    LookKeeper() : QObject(qApp), palette_(LightPalette()), font_(GuiFont()) {
        qApp->installEventFilter(this);
        restore();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == qApp &&
            (e->type() == QEvent::ApplicationPaletteChange || e->type() == QEvent::ApplicationFontChange))
            restore();
        return false;
    }

private:
    void restore() {
        if (restoring_) return;
        restoring_ = true;
        // Compared as the colours and the font drawn: a palette or font equal in
        // those is left alone, so setting them again ends here.
        if (!(QApplication::palette() == palette_)) QApplication::setPalette(palette_);
        if (!(QApplication::font() == font_)) QApplication::setFont(font_);
        restoring_ = false;
    }
    const QPalette palette_;
    const QFont font_;
    bool restoring_ = false;
};

}  // namespace

void KeepProgramLook() {
    static QPointer<LookKeeper> keeper;  // goes with its application
    if (!keeper && qApp) keeper = new LookKeeper;
}

}  // namespace vorta::ui::qt
