// Opens the main window as the program does, under whatever platform theme the
// environment names, lets the theme apply its deferred settings, then prints one
// fact a line (tab-separated, UTF-8), for desktop_look_test:
//   desktop  <font family> <points> <base>    what the platform theme offers
//   format   <which> <colour>                 the display's character colours
//   control  <name> <family> <pixels> <points> <base>
#include <QApplication>
#include <QEventLoop>
#include <QFontDatabase>
#include <QFontInfo>
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

void Print(const QStringList& fields) { std::printf("%s\n", fields.join(QLatin1Char('\t')).toUtf8().constData()); }
QString Hex(const QColor& c) { return c.name(QColor::HexRgb); }

}  // namespace

int main(int argc, char** argv) {
    using namespace vorta::ui::qt;
    QApplication app(argc, argv);
    InstallFonts();
    QtEventLoop loop;
    QtPlatform platform;
    vorta::ui::Model model(loop, platform.screenSize());
    QtView view(model);
    model.setView(&view);
    auto logic = std::make_unique<vorta::app::App>(model, platform);
    vorta::ui::Window* main = logic->start();
    if (!main) return 1;
    // Themes apply the desktop's settings on the first turns of the event loop
    // (a local loop: quitting the application's would close the windows).
    QEventLoop settle;
    QTimer::singleShot(700, &settle, &QEventLoop::quit);
    settle.exec();

    const QFont desktop = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    const std::unique_ptr<QStyle> fresh(QStyleFactory::create(QStringLiteral("Fusion")));
    Print({QStringLiteral("desktop"), desktop.family(), QString::number(desktop.pointSizeF()),
           Hex(fresh->standardPalette().color(QPalette::Base))});
    const auto& state = logic->state();
    Print({QStringLiteral("format"), QStringLiteral("received"), Hex(ToQColor(state.receivedFormat.colour))});
    Print({QStringLiteral("format"), QStringLiteral("sent"), Hex(ToQColor(state.sentFormat.colour))});
    Print({QStringLiteral("format"), QStringLiteral("note"), Hex(ToQColor(state.noteFormat.colour))});
    for (auto& c : main->controls())
        if (QWidget* w = view.widgetOf(*c))
            Print({QStringLiteral("control"), FromGbk(c->name()), w->font().family(),
                   QString::number(QFontInfo(w->font()).pixelSize()), QString::number(w->font().pointSize()),
                   Hex(w->palette().color(QPalette::Active, QPalette::Base))});
    std::fflush(stdout);
    logic.reset();
    model.setView(nullptr);
    return 0;
}
