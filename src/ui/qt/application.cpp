#include "ui/qt/application.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>

#include "ui/qt/qt_event_loop.h"
#include "ui/qt/qt_platform.h"
#include "ui/qt/qt_view.h"

namespace vorta::ui::qt {

void InstallFonts() {
    // Debian's Ming faces first (a real Song-style face with SimSun-like widths),
    // then a sans face that has every GBK character.
    const QStringList song = {QStringLiteral("AR PL UMing CN"), QStringLiteral("AR PL UMing TW"),
                              QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC")};
    for (const char16_t* face : {u"宋体", u"SimSun", u"新宋体", u"NSimSun"})
        QFont::insertSubstitutions(QString::fromUtf16(face), song);
    // The controls are laid out for a 12-pixel Song face, the Chinese desktop's default.
    QFont gui(QStringLiteral("宋体"));
    gui.setPixelSize(12);
    QApplication::setFont(gui);
}

int RunApplication(int argc, char** argv, const std::function<std::shared_ptr<void>(Services&)>& start) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vorta-serial"));
    InstallFonts();
    QtEventLoop loop;
    QtPlatform platform;
    Model model(loop, platform.screenSize());
    QtView view(model);
    model.setView(&view);
    model.onWindowDestroyed = [](const Text& name) {
        if (name == "main") QMetaObject::invokeMethod(qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    };
    Services services{loop, model, platform};
    std::shared_ptr<void> logic = start(services);
    const int code = app.exec();
    logic.reset();
    model.setView(nullptr);
    return code;
}

}  // namespace vorta::ui::qt
