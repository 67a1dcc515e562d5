// Opens the main window as the program does, under whatever platform theme the
// environment names, lets the theme apply its deferred settings, then prints
// what the window is drawn with, one fact a line (tab-separated, UTF-8):
//   desktop-font  <family> <points>     the font the platform theme offers
//   desktop-base  #rrggbb               the base colour the theme's palette offers
//   format        <which> #rrggbb       the display's character colours
//   control       <name> <family> <pixels> <points> <base> <clipped>
// For desktop_look_test, which runs it with each theme.
#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "app/app.h"
#include "ui/qt/application.h"
#include "ui/qt/gbk_qstring.h"
#include "ui/qt/qt_event_loop.h"
#include "ui/qt/qt_platform.h"
#include "ui/qt/qt_view.h"

namespace {

using vorta::ui::Colour;

void Print(const QStringList& fields) { std::printf("%s\n", fields.join(QLatin1Char('\t')).toUtf8().constData()); }

QString Hex(const QColor& c) { return c.name(QColor::HexRgb); }
QString Hex(Colour c) { return Hex(vorta::ui::qt::ToQColor(c)); }

// Whether a caption needs more room than its control gives it (indicator and spacing included).
bool Clipped(QWidget* w) {
    QString caption;
    int room = w->contentsRect().width();
    if (auto* label = qobject_cast<QLabel*>(w)) {
        caption = label->text();
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        caption = button->text();
        if (!w->inherits("QPushButton"))
            room -= w->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, w) +
                    w->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, w);
    }
    if (caption.isEmpty()) return false;
    return QFontMetrics(w->font()).horizontalAdvance(caption) > room || QFontMetrics(w->font()).height() > w->height();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    vorta::ui::qt::InstallFonts();
    vorta::ui::qt::QtEventLoop loop;
    vorta::ui::qt::QtPlatform platform;
    vorta::ui::Model model(loop, platform.screenSize());
    vorta::ui::qt::QtView view(model);
    model.setView(&view);
    auto logic = std::make_unique<vorta::app::App>(model, platform);
    vorta::ui::Window* main = logic->start();
    if (!main) return 1;
    // Themes apply the desktop's settings on the first turns of the event loop.
    // (A local loop: quitting the application's would close the windows first.)
    QEventLoop settle;
    QTimer::singleShot(700, &settle, &QEventLoop::quit);
    settle.exec();

    const QFont desktop = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    Print({QStringLiteral("desktop-font"), desktop.family(), QString::number(desktop.pointSizeF())});
    std::unique_ptr<QStyle> fresh(QStyleFactory::create(QStringLiteral("Fusion")));
    Print({QStringLiteral("desktop-base"), Hex(fresh->standardPalette().color(QPalette::Base))});
    const auto& state = logic->state();
    Print({QStringLiteral("format"), QStringLiteral("received"), Hex(state.receivedFormat.colour)});
    Print({QStringLiteral("format"), QStringLiteral("sent"), Hex(state.sentFormat.colour)});
    Print({QStringLiteral("format"), QStringLiteral("note"), Hex(state.noteFormat.colour)});
    for (auto& c : main->controls()) {
        QWidget* w = view.widgetOf(*c);
        if (!w) continue;
        const QFontInfo shown(w->font());
        Print({QStringLiteral("control"), vorta::ui::qt::FromGbk(c->name()), w->font().family(),
               QString::number(shown.pixelSize()), QString::number(w->font().pointSize()),
               Hex(w->palette().color(QPalette::Active, QPalette::Base)), Clipped(w) ? "1" : "0"});
    }
    std::fflush(stdout);
    logic.reset();
    model.setView(nullptr);
    return 0;
}
