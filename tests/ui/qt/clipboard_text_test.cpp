// A copy's plain text: a small copy is converted only when a program asks, on
// the asking thread; a large one starts converting on a thread of its own at
// once, in pieces that give the same text, and whoever asks gets that text.
#include "ui/qt/clipboard_text.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "ui/qt/gbk_qstring.h"

namespace vorta::ui::qt {
namespace {

struct Recorder {
    std::atomic<int> conversions{0};
    std::atomic<bool> offThread{false};
    ClipboardText::Convert convert() {
        const std::thread::id asking = std::this_thread::get_id();
        return [this, asking](const std::string& bytes) {
            offThread = std::this_thread::get_id() != asking;
            QString text = UnitsToQString(bytes);
            ++conversions;  // counted once done
            return text;
        };
    }
};

std::string Text(std::size_t bytes) {
    std::string s;
    while (s.size() < bytes) s += "0A 1B ";
    s.resize(bytes);
    return s;
}

TEST(ClipboardText, ASmallCopyIsConvertedOnlyWhenAskedAndOnce) {
    Recorder r;
    const std::string bytes = Text(1000) + "\r\n" + ToGbk(QStringLiteral(u"中文"));
    ClipboardText text(TextSnapshot::of(bytes), r.convert());
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(r.conversions, 0) << "converted though nobody asked";
    EXPECT_EQ(text.text(), UnitsToQString(bytes));
    EXPECT_EQ(text.text(), UnitsToQString(bytes));
    EXPECT_EQ(r.conversions, 1);
    EXPECT_FALSE(r.offThread);
}

TEST(ClipboardText, ALargeCopyStartsConvertingAtOnceOnAThreadOfItsOwn) {
    Recorder r;
    const std::string bytes = Text(kConvertAheadBytes + 1);
    ClipboardText text(TextSnapshot::of(bytes), r.convert());
    for (int i = 0; i < 500 && r.conversions == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GT(r.conversions, 0) << "not converted before anybody asked";
    EXPECT_TRUE(r.offThread);
    const QString& got = text.text();
    const int converted = r.conversions;
    EXPECT_EQ(got, UnitsToQString(bytes));
    EXPECT_EQ(text.text(), got);
    EXPECT_EQ(r.conversions, converted) << "converted again when asked";
}

// Replaced before anybody pasted it, a large copy stops converting: nothing
// converts after it has gone (it would read a recorder that is gone too).
TEST(ClipboardText, ALargeCopyReplacedBeforeItIsReadStopsConverting) {
    Recorder r;
    auto text = std::make_unique<ClipboardText>(TextSnapshot::of(Text(64 * kConvertAheadBytes)), r.convert());
    text.reset();
    const int converted = r.conversions;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(r.conversions, converted) << "the conversion was left running";
}

// Cut anywhere, a piece would split a character, a four-byte GB18030 sequence or a
// "\r\n"; the pieces end only where the joined text is the whole one's.
TEST(ConvertInPieces, PiecesEndWhereTheJoinedTextIsTheWholeOnes) {
    const std::string chinese = ToGbk(QStringLiteral(u"中文"));
    const std::string cases[] = {
        Text(100),
        chinese + chinese + chinese,                            // lead and trail bytes only: one piece
        "A\r\nB\r\n\r\r\n" + chinese + "\n\n",                  // line ends of every kind
        chinese + "@A" + chinese + "0 1" + chinese,             // trail bytes in ASCII's range, then digits
        std::string("\x81\x30\x81\x30 \x81\x30\x81\x30,\xD6"),  // four-byte sequences, a lone lead byte at the end
    };
    for (const std::string& bytes : cases)
        for (std::size_t piece : {1, 2, 3, 5}) {
            int calls = 0;
            auto convert = [&calls](const std::string& part) {
                ++calls;
                QString plain = FromGbk(part);
                plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
                return plain;
            };
            const std::optional<QString> joined = ConvertInPieces(bytes, convert, {}, piece);
            ASSERT_TRUE(joined);
            EXPECT_EQ(*joined, convert(bytes)) << bytes << " in pieces of " << piece;
            EXPECT_EQ(ConvertInPieces(bytes, UnitsToQString, {}, piece), UnitsToQString(bytes)) << bytes;
        }
}

TEST(ConvertInPieces, AStopRequestedBetweenPiecesEndsTheConversion) {
    std::stop_source stop;
    int calls = 0;
    auto convert = [&](const std::string& part) {
        if (++calls == 2) stop.request_stop();
        return UnitsToQString(part);
    };
    EXPECT_EQ(ConvertInPieces(Text(10 * 6), convert, stop.get_token(), 6), std::nullopt);
    EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace vorta::ui::qt
