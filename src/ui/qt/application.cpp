#include "ui/qt/application.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "ui/qt/desktop_look.h"
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
    QApplication::setFont(GuiFont());
}

bool InstallTranslations() {
    // Qt's own texts (file dialog, context menus, standard buttons) in Chinese,
    // like the program's: 保存 and 取消 rather than Save and Cancel.
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    QLocale::setDefault(chinese);
    auto* qtTexts = new QTranslator(qApp);
    if (!qtTexts->load(chinese, QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete qtTexts;
        return false;
    }
    return QCoreApplication::installTranslator(qtTexts);
}

int RunApplication(int argc, char** argv, const std::function<std::shared_ptr<void>(Services&)>& start) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vorta-serial"));
    // The installed desktop entry (vorta-serial.desktop) names this program.
    QGuiApplication::setDesktopFileName(QStringLiteral("vorta-serial"));
    InstallTranslations();
    InstallFonts();
    QtEventLoop loop;
    QtPlatform platform;
    Model model(loop, platform.screenSize());
    QtView view(model);
    model.setView(&view);
    model.onWindowDestroyed = [](const Text& name) {
        if (name == "main")
            QMetaObject::invokeMethod(
                qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    };
    Services services{loop, model, platform};
    std::shared_ptr<void> logic = start(services);
    const int code = app.exec();
    logic.reset();
    model.setView(nullptr);
    return code;
}

}  // namespace vorta::ui::qt
