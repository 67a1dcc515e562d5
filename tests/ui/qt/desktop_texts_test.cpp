// Qt's own texts in Chinese, and the save dialog's file types as the program
// words them: each pattern shown once, and still filtering the folder.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "receive/display_tools.h"
#include "support/temp_dir.h"
#include "ui/qt/application.h"
#include "ui/qt/gbk_qstring.h"
#include "support/qt_window.h"
#include "ui/qt/qt_platform.h"
#include "ui/qt/qt_view.h"

namespace vorta::ui::qt {
namespace {

// Readable in a failure message.
std::string Utf8(const QStringList& texts) { return texts.join(QLatin1Char('|')).toStdString(); }

QStringList ButtonTexts(QWidget* w) {
    QStringList texts;
    for (auto* b : w->findChildren<QPushButton*>()) texts << b->text();
    return texts;
}

bool AnyStartsWith(const QStringList& texts, const QString& start) {
    return std::any_of(texts.begin(), texts.end(), [&](const QString& t) { return t.startsWith(start); });
}

// The names the dialog's file list shows in its current folder: `expected`
// once the folder is read and filtered, or what it shows after 5 s.
QStringList ListedFiles(QFileDialog* dialog, const QStringList& expected) {
    auto* list = dialog->findChild<QListView*>(QStringLiteral("listView"));
    if (!list) return {};
    QStringList names;
    const auto read = [&] {
        names.clear();
        const QModelIndex root = list->rootIndex();
        for (int row = 0; row < list->model()->rowCount(root); ++row)
            names << list->model()->index(row, 0, root).data().toString();
        names.sort();
        return names == expected;
    };
    if (!QTest::qWaitFor(read, 5000)) read();
    return names;
}

TEST(DesktopTexts, QtsStandardButtonsReadChinese) {
    ASSERT_TRUE(InstallTranslations()) << "Qt's zh_CN translations are not installed";
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Save | QMessageBox::Cancel);
    EXPECT_TRUE(box.button(QMessageBox::Save)->text().startsWith(QStringLiteral("保存")))
        << box.button(QMessageBox::Save)->text().toStdString();
    EXPECT_TRUE(box.button(QMessageBox::Cancel)->text().startsWith(QStringLiteral("取消")));
}

TEST(DesktopTexts, SaveDialogReadsChineseAndShowsEachFileTypeAsTheProgramWordsIt) {
    ASSERT_TRUE(InstallTranslations());
    test::TempDir dir;
    for (const char* name : {"a.txt", "b.doc", "c.bin"}) {
        QFile f(QString::fromStdString(dir.file(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    static const WindowDef def{.name = "saver",
                               .title = "saver",
                               .rect = {0, 0, 200, 100},
                               .controls = {{.name = "dialog", .kind = Kind::FileDialog}}};
    test::QtWindow shown(def);
    Window* window = shown.window;
    ASSERT_NE(window, nullptr);

    QStringList types, buttons, txtFiles, docFiles;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        poll.stop();
        if (auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
            for (int i = 0; i < combo->count(); ++i) types << combo->itemText(i);
        buttons = ButtonTexts(dialog->findChild<QDialogButtonBox*>());
        txtFiles = ListedFiles(dialog, {QStringLiteral("a.txt")});
        dialog->selectNameFilter(dialog->nameFilters().value(1));
        docFiles = ListedFiles(dialog, {QStringLiteral("b.doc")});
        dialog->reject();
    });
    poll.start(10);
    const auto chosen = window->find("dialog")->as<FileDialog>().showSaveDialog(receive::DisplayTools::kSaveFilter,
                                                                                dir.path().string());

    EXPECT_FALSE(chosen.has_value());
    EXPECT_EQ(Utf8(types), Utf8({QStringLiteral("文本文档（*.txt）"), QStringLiteral("word文档（*.doc）")}));
    EXPECT_TRUE(AnyStartsWith(buttons, QStringLiteral("保存"))) << Utf8(buttons);
    EXPECT_TRUE(AnyStartsWith(buttons, QStringLiteral("取消"))) << Utf8(buttons);
    // The patterns still reach Qt: each type lists only its own files.
    EXPECT_EQ(Utf8(txtFiles), "a.txt");
    EXPECT_EQ(Utf8(docFiles), "b.doc");
}

}  // namespace
}  // namespace vorta::ui::qt
