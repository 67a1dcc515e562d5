// A copy's plain text: a small copy is converted only when a program asks, on
// the asking thread; a large one starts converting on a thread of its own at
// once, and whoever asks gets the same text.
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
    ClipboardText text(TextSnapshot::Of(bytes), r.convert());
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
    ClipboardText text(TextSnapshot::Of(bytes), r.convert());
    for (int i = 0; i < 500 && r.conversions == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(r.conversions, 1) << "not converted before anybody asked";
    EXPECT_TRUE(r.offThread);
    EXPECT_EQ(text.text(), UnitsToQString(bytes));
    EXPECT_EQ(r.conversions, 1);
}

TEST(ClipboardText, ALargeCopyReplacedBeforeItIsReadEndsCleanly) {
    Recorder r;
    auto text = std::make_unique<ClipboardText>(TextSnapshot::Of(Text(8 * kConvertAheadBytes)), r.convert());
    text.reset();  // waits for its conversion, which reads the snapshot and the recorder
    EXPECT_EQ(r.conversions, 1) << "the conversion was left running";
}

}  // namespace
}  // namespace vorta::ui::qt
