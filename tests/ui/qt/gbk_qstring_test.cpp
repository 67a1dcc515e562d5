// The GBK boundary: texts convert both ways, and every rich text unit becomes
// exactly one QChar, whatever bytes the display holds.
#include <gtest/gtest.h>

#include <random>

#include "ui/qt/gbk_qstring.h"
#include "ui/rich_text.h"
#include "codec/gbk_literal.h"

namespace vorta::ui::qt {
namespace {

TEST(GbkQString, RoundTripsChineseAndMarksWhatGbkCannotHold) {
    const std::string gbk = std::string("端口打开失败！"_gbk);
    EXPECT_EQ(gbk.size(), 14u);
    EXPECT_EQ(static_cast<unsigned char>(gbk[0]), 0xB6);
    EXPECT_EQ(FromGbk(gbk), QStringLiteral("端口打开失败！"));
    EXPECT_EQ(ToGbk(QStringLiteral("A😀B")), "A??B");  // one '?' per UTF-16 half
}

// What is sent for a character is what is shown for the bytes sent: the
// encoder and the decoders read one table.
TEST(GbkQString, EveryCharacterComesBackAsItselfOrAsAQuestionMarkBothWays) {
    int held = 0;
    for (char32_t u = 0x80; u <= 0xFFFF; ++u) {
        if (u >= 0xD800 && u <= 0xDFFF) continue;
        if (u == QChar::LineSeparator || u == QChar::ParagraphSeparator) continue;  // line ends to the display
        const QString one(QChar(static_cast<char16_t>(u)));
        const std::string sent = ToGbk(one);
        if (sent == "?") {
            EXPECT_EQ(QStringToUnits(one), "?") << std::hex << static_cast<unsigned>(u);
            continue;
        }
        ++held;
        ASSERT_EQ(sent.size(), 2u) << std::hex << static_cast<unsigned>(u);
        EXPECT_EQ(FromGbk(sent), one) << std::hex << static_cast<unsigned>(u);
        EXPECT_EQ(UnitsToQString(sent), one) << std::hex << static_cast<unsigned>(u);
        EXPECT_EQ(QStringToUnits(one), sent) << std::hex << static_cast<unsigned>(u);
    }
    EXPECT_GT(held, 21000);  // GBK's two-byte characters
    // The euro sign has only the single byte 0x80, which leads a pair to the program.
    EXPECT_EQ(ToGbk(QStringLiteral("€1")), "?1");
    EXPECT_EQ(UnitsToQString(ToGbk(QStringLiteral("€ 端口"))), QStringLiteral("? 端口"));
}

TEST(GbkQString, EveryUnitIsOneQCharForAnyBytes) {
    std::mt19937 random(7);
    for (int round = 0; round < 500; ++round) {
        std::string bytes(random() % 64, '\0');
        for (char& b : bytes) {
            const unsigned pick = random() % 8;
            b = static_cast<char>(pick == 0   ? '\r'
                                  : pick == 1 ? '\n'
                                  : pick < 4  ? 0x20 + random() % 0x5F
                                              : random() % 256);
        }
        const QString shown = UnitsToQString(bytes);
        ASSERT_EQ(shown.size(), CountUnits(bytes.data(), bytes.size()).value());
    }
}

TEST(GbkQString, LineEndsBecomeParagraphBreaksAndTypedTextComesBackAsUnits) {
    const QString shown = UnitsToQString(std::string("中\r\nA\rB\nC"_gbk));
    EXPECT_EQ(shown, QStringLiteral("中") + QChar::ParagraphSeparator + "A" + QChar::ParagraphSeparator + "B" +
                         QChar::ParagraphSeparator + "C");
    const std::string typed = QStringToUnits(QStringLiteral("文") + QChar::ParagraphSeparator + "x");
    EXPECT_EQ(typed, std::string("文\r\nx"_gbk));
    EXPECT_EQ(CountUnits(typed.data(), typed.size()), UnitPos(3));
}

}  // namespace
}  // namespace vorta::ui::qt

#include <QClipboard>
#include <QGuiApplication>

#include "ui/qt/qt_platform.h"
#include "ui/rich_text.h"

namespace vorta::ui::qt {
namespace {

TEST(QtClipboard, PlainTextWithLineEndsBothWays) {
    QtPlatform platform;
    platform.setClipboardText(std::string("中\r\nA"_gbk));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("中\nA"));
    QGuiApplication::clipboard()->setText(QStringLiteral("文\nB\r\nC"));
    EXPECT_EQ(platform.clipboardText(), std::string("文\r\nB\r\nC"_gbk));
    QGuiApplication::clipboard()->clear();
    EXPECT_FALSE(platform.clipboardText().has_value());
    EXPECT_FALSE(platform.clipboardHasText());
}

TEST(QtClipboard, ASnapshotGivesTheTextOfItsMomentAsPlainTextDoes) {
    QtPlatform platform;
    RichText display;
    const std::string bytes = "中\r\nA\xA1\xA1 \xFF"_gbk;  // a full-width space and a lone lead byte
    display.append(bytes);
    platform.setClipboardText(bytes);
    const QString plain = QGuiApplication::clipboard()->text();
    platform.setClipboardSnapshot(display.snapshot(ui::BytePos(0), display.byteCount()));
    display.setText("changed");
    EXPECT_TRUE(platform.clipboardHasText());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), plain);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), plain);  // read twice, same text
    QGuiApplication::clipboard()->clear();
}

}  // namespace
}  // namespace vorta::ui::qt
