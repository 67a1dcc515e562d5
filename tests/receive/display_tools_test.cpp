// The display's menu, buttons and balloon on the real main window.
#include "receive/display_tools.h"
#include "receive/receive_display.h"

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>
#include <sstream>

#include "receive/background_file_writer.h"
#include "receive/conversion_texts.h"
#include "store/atomic_file.h"

#include "support/main_window_fixture.h"
#include "ui/windows/control_ids.h"
#include "codec/gbk_literal.h"

using namespace vorta::ui::main;

namespace vorta::receive {
namespace {

class ToolsTest : public test::MainWindowFixture {
protected:
    void SetUp() override { start(); }
    ui::RichTextBox& d() { return c(kDisplay); }
    void rightClick() { model.userMouse(d(), ui::Event::RightReleased, {}); }
    void choose(ui::ControlId<ui::Control> item) { model.userMenuSelect(c(item)); }
    DisplayTools tools{model, platform, state};
};

TEST_F(ToolsTest, MenuItemsFollowSelectionTextAndClipboard) {
    rightClick();
    ASSERT_EQ(view.menus.size(), 1u);
    EXPECT_EQ(view.menus[0].first, "菜单"_gbk);
    EXPECT_EQ(view.menus[0].second.x, platform.cursor.x);
    for (auto item : {kCopyItem, kDeleteItem, kCutItem, kMergeToDecimalItem, kClearItem, kSelectAllItem, kPasteItem})
        EXPECT_TRUE(c(item).disabled()) << item.name;
    EXPECT_FALSE(c(kOpenCalculatorItem).disabled());

    d().replaceSelection("01 02");
    d().setSelection(ui::UnitPos(0), ui::UnitPos(2));
    platform.clipboard = "x";
    rightClick();
    for (auto item : {kCopyItem, kDeleteItem, kCutItem, kMergeToDecimalItem, kClearItem, kSelectAllItem, kPasteItem})
        EXPECT_FALSE(c(item).disabled()) << item.name;
}

TEST_F(ToolsTest, CopyCutPasteDeleteAndSelectAll) {
    d().replaceSelection("01 02 03");
    choose(kSelectAllItem);
    EXPECT_EQ(d().selectedText(), "01 02 03");
    d().setSelection(ui::UnitPos(3), ui::UnitPos(3));
    choose(kCopyItem);
    EXPECT_EQ(platform.clipboard, "02 ");
    choose(kCutItem);
    EXPECT_EQ(d().text(), "01 03");
    platform.clipboard = "中文"_gbk;
    choose(kPasteItem);
    EXPECT_EQ(d().text(), "01 中文03"_gbk);
    d().setSelection(ui::UnitPos(0), ui::UnitPos(3));
    choose(kDeleteItem);
    EXPECT_EQ(d().text(), "中文03"_gbk);
}

TEST_F(ToolsTest, ClearEmptiesTheDisplayAndBothCounters) {
    d().replaceSelection("AA");
    state.rxCount = 7;
    state.txCount = 9;
    c(kStatusBar).setPanelText(0, "RX:7");
    model.userClick(c(kClear));
    EXPECT_EQ(d().text(), "");
    EXPECT_EQ(panel(0), "RX:0");
    EXPECT_EQ(panel(1), "TX:0");
    EXPECT_EQ(state.rxCount, 0);
    EXPECT_EQ(state.txCount, 0);
}

TEST_F(ToolsTest, BalloonsAppearAtThePointerForTheSelection) {
    d().replaceSelection("12 34");
    d().setSelection(ui::UnitPos(0), ui::UnitPos(5));
    model.userMouse(d(), ui::Event::LeftReleased, {});
    choose(kMergeToDecimalItem);
    ASSERT_EQ(view.balloons.size(), 2u);
    EXPECT_EQ(view.balloons[0].x, platform.cursor.x);
    EXPECT_EQ(view.balloons[0].y, platform.cursor.y);
    EXPECT_EQ(view.balloons[1].text, "16进制：1234\r\n10进制：4660"_gbk);
    d().setSelection(ui::UnitPos(0), ui::UnitPos(0));
    model.userMouse(d(), ui::Event::LeftReleased, {});
    EXPECT_EQ(view.balloons.size(), 2u);  // nothing selected: no balloon
}

TEST_F(ToolsTest, SaveWritesTheDisplayAsGbkBytesAndCancelWritesNothing) {
    d().replaceSelection("中文 01\r\n"_gbk);
    const std::string path = tmp.slash() + "保存.txt"_gbk;
    view.saveAnswer = std::nullopt;
    model.userClick(c(kSave));
    ASSERT_EQ(view.saveFilters.size(), 1u);
    EXPECT_EQ(view.saveFilters[0], "文本文档（*.txt）|*.txt|word文档（*.doc）|*.doc"_gbk);
    view.saveAnswer = path;
    model.userClick(c(kSave));
    std::ifstream in(tmp.path() / u8"保存.txt", std::ios::binary);  // a UTF-8 name on disk
    std::stringstream got;
    got << in.rdbuf();
    EXPECT_EQ(got.str(), "中文 01\r\n"_gbk);
}

TEST_F(ToolsTest, BalloonForASelectionAcrossALineEndOfTheDisplay) {
    d().replaceSelection("01 02\r\n03 ");
    d().setSelection(ui::UnitPos(3), ui::UnitPos(5));  // "02", the line end (one position), "03"
    ASSERT_EQ(d().selectedText(), "02\r\n03");
    model.userMouse(d(), ui::Event::LeftReleased, {});
    ASSERT_EQ(view.balloons.size(), 1u);
    EXPECT_EQ(view.balloons[0].text,
              "16进制：      02       03 \r\n10进制：       2        3 \r\n 2进制：00000010 00000011 "_gbk);
    choose(kMergeToDecimalItem);
    EXPECT_EQ(view.balloons[1].text, "16进制：0203\r\n10进制：515"_gbk);
}

TEST_F(ToolsTest, PasteTakesTheCurrentInsertionFormat) {
    d().setInsertionFormat(state.receivedFormat);
    platform.clipboard = "AB";
    choose(kPasteItem);
    EXPECT_EQ(d().text(), "AB");
    EXPECT_EQ(d().rich().formatAt(ui::BytePos(1)).colour, ui::Rgb(0, 0, 255));
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream got;
    got << in.rdbuf();
    return got.str();
}

// Hex cells with a line end every 50 and a character now and then: `bytes` long.
std::string Session(std::size_t bytes) {
    std::string text;
    for (std::size_t i = 0; text.size() < bytes; ++i) text += i % 50 == 49 ? "\r\n" : i % 13 ? "5A " : "中 "_gbk;
    return text;
}

TEST_F(ToolsTest, LargeSelectionsAcrossStorageBlocksGiveTheTextsOfTheirWholeBytes) {
    // 3 MB: the store's 1 MB blocks end inside cells and characters.
    d().replaceSelection(Session(3'000'000));
    const std::int64_t units = d().rich().unitCount().value();
    const std::vector<std::pair<std::int64_t, std::int64_t>> selections = {
        {0, -1}, {units / 3 - 40, 100}, {units / 3 - 1, 2}, {units / 2, units / 2}, {100, 30}};
    for (const auto& [start, length] : selections) {
        d().setSelection(ui::UnitPos(start), ui::UnitPos(length));
        const std::string selected = d().selectedText();
        model.userMouse(d(), ui::Event::LeftReleased, {});
        choose(kMergeToDecimalItem);
        ASSERT_GE(view.balloons.size(), 2u);
        EXPECT_EQ(view.balloons[view.balloons.size() - 2].text, ConversionBalloonText(selected).value()) << start;
        EXPECT_EQ(view.balloons.back().text, MergeToDecimalText(selected).value()) << start;
        choose(kCopyItem);
        EXPECT_TRUE(platform.clipboard == selected) << start;
    }
    // Blanks with two pieces far apart: no start decides, the whole selection is read
    // (on a thread of its own, the balloon following).
    d().setText(std::string(2'000'000, ' ') + "12" + std::string(2'000'000, ' ') + "34 ");
    choose(kSelectAllItem);
    const std::size_t before = view.balloons.size();
    model.userMouse(d(), ui::Event::LeftReleased, {});
    ASSERT_TRUE(loop.runUntilReal([&] { return view.balloons.size() > before; }, std::chrono::seconds(20)));
    EXPECT_EQ(view.balloons.back().text,
              "16进制：      12       34 \r\n10进制：      18       52 \r\n 2进制：00010010 00110100 "_gbk);
}

// One piece longer than the tools read at once (no blank in it) is decided only by
// its whole: the click answers at once, and the balloon follows at the click's place
// unless a later click or a clear made it stale.
TEST_F(ToolsTest, ABalloonOnlyTheWholeOfALongPieceDecidesFollowsTheClick) {
    std::string piece;
    while (piece.size() < 3 * DisplayTools::kToolAtOnceBytes) piece += "0123456789ABCDEF";
    d().setText("12 " + piece + "7F");
    d().setSelection(ui::UnitPos(3), ui::UnitPos(-1));
    const std::string selected = d().selectedText();
    const ui::Point at = platform.cursor;
    model.userMouse(d(), ui::Event::LeftReleased, {});
    EXPECT_TRUE(view.balloons.empty()) << "the click waited for the whole piece";
    platform.cursor = {at.x + 50, at.y + 50};  // the pointer moves on meanwhile
    ASSERT_TRUE(loop.runUntilReal([&] { return !view.balloons.empty(); }, std::chrono::seconds(20)));
    EXPECT_EQ(view.balloons.back().text, ConversionBalloonText(selected).value());
    EXPECT_EQ(view.balloons.back().x, at.x);
    EXPECT_EQ(view.balloons.back().y, at.y);

    // A later click, or a clear, drops the balloon still being worked out.
    for (const bool clearing : {false, true}) {
        view.balloons.clear();
        d().setText("12 " + piece);
        d().setSelection(ui::UnitPos(0), ui::UnitPos(-1));
        model.userMouse(d(), ui::Event::LeftReleased, {});
        if (clearing) {
            model.userClick(c(kClear));
        } else {
            d().setSelection(ui::UnitPos(0), ui::UnitPos(2));
            model.userMouse(d(), ui::Event::LeftReleased, {});
            ASSERT_EQ(view.balloons.size(), 1u);  // the small one, at once
        }
        const std::size_t shown = view.balloons.size();
        loop.runUntilReal([] { return false; }, std::chrono::milliseconds(1500));
        EXPECT_EQ(view.balloons.size(), shown) << (clearing ? "after a clear" : "after a later click");
    }
}

TEST_F(ToolsTest, ALargeSaveHoldsTheDisplayOfItsClickAndASecondSaveComesAfterIt) {
    const std::string first = Session(5'000'000);
    d().setText(first);
    const std::string path = tmp.slash() + "large.txt";
    view.saveAnswer = path;
    model.userClick(c(kSave));
    d().append("\r\nmore after the click");  // not in the first file
    d().setSelection(ui::UnitPos(0), ui::UnitPos(10));
    d().replaceSelection("edited");
    const std::string second = d().text();
    model.userClick(c(kSave));  // the same file again, asked while the first may still be written
    tools.waitForSaves();
    EXPECT_TRUE(FileBytes(path) == second);

    const std::string other = tmp.slash() + "first.txt";
    d().setText(first);
    view.saveAnswer = other;
    model.userClick(c(kSave));
    d().setText("");
    tools.waitForSaves();
    EXPECT_TRUE(FileBytes(other) == first);
}

TEST(BackgroundFileWriter, FilesAskedForAreCompleteOnceDoneAndInTheirOrder) {
    test::TempDir dir;
    base::VirtualLoop loop;
    const std::string a = (dir.path() / "a.bin").string(), b = (dir.path() / "b.bin").string();
    const std::string big = Session(20'000'000), small("\x00\xFF\r\n", 4);
    auto bytes = [](const std::string& content) { return [content](const store::PieceSink& sink) { sink(content); }; };
    {
        BackgroundFileWriter writer(loop);
        writer.write(a, bytes(big), nullptr);
        writer.write(b, bytes(big), nullptr);
        writer.write(a, bytes(small), nullptr);
        writer.waitUntilDone();  // as at program exit: nothing cut short, nothing lost
    }
    EXPECT_EQ(FileBytes(a), small);
    EXPECT_TRUE(FileBytes(b) == big);
}

// A writer destroyed during a write abandons it: the old file stays as it was
// and no temporary file is left beside it.
TEST(BackgroundFileWriter, AWriteUnderWayWhenTheWriterGoesLeavesTheOldFile) {
    test::TempDir dir;
    base::VirtualLoop loop;
    const std::string path = (dir.path() / "kept.txt").string();
    std::ofstream(path, std::ios::binary) << "old";
    std::promise<void> writing;
    {
        BackgroundFileWriter writer(loop);
        writer.write(
            path,
            [&writing](const store::PieceSink& sink) {
                writing.set_value();
                while (sink("piece")) std::this_thread::yield();  // until the sink refuses: the stop
            },
            nullptr);
        writing.get_future().wait();
    }
    EXPECT_EQ(FileBytes(path), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

// Every line end the display shows is saved as CR LF. (And what a save killed
// half-way left beside the file goes with the next save there.)
TEST_F(ToolsTest, SavedLineEndsAreCrLfAsTheDisplayShowsThem) {
    const std::string path = tmp.slash() + "lines.txt";
    for (const char* name : {".lines.txt.Ab12Cd", ".other.txt.Ab12Cd"}) std::ofstream(tmp.slash() + name) << "left";
    view.saveAnswer = path;
    d().setText("\xD6\xD0\xCE\xC4\x0A\x41\x0D\x42\x43\x0D\x0A");
    model.userClick(c(kSave));
    EXPECT_EQ(FileBytes(path), "中文\r\nA\r\nBC\r\n"_gbk);
    EXPECT_FALSE(std::filesystem::exists(tmp.slash() + ".lines.txt.Ab12Cd"));
    EXPECT_TRUE(std::filesystem::exists(tmp.slash() + ".other.txt.Ab12Cd"));
    // A CR LF across two of the display's 1 MB blocks, saved on the writer's thread.
    d().setText(std::string((1 << 20) - 1, '5') + "\r\n\r");
    model.userClick(c(kSave));
    tools.waitForSaves();
    EXPECT_TRUE(FileBytes(path) == std::string((1 << 20) - 1, '5') + "\r\n\r\n");
}

class WriteLimit {
public:
    WriteLimit(std::size_t bytes, int error) { store::SetWriteLimitForTest(bytes, error); }
    ~WriteLimit() { store::SetWriteLimitForTest(std::nullopt, 0); }
};

// A save that cannot be completed leaves the file byte for byte as it was (or no
// file) and says why in the display, in the notes' format, once the writer gave up.
TEST_F(ToolsTest, AFailedSaveLeavesTheFileAsItWasAndWritesANote) {
    struct Case {
        bool existing, readOnly;
        std::size_t display, limit;
        int error;
        const char* note;
    };
    const char* full = "  → 保存失败！磁盘已满，文件未改动。\r\n"_gbk;
    const std::vector<Case> cases = {
        {true, false, 100'000, 65'536 - 20'000, ENOSPC, full},  // a 64 KiB disk holding the old file
        {false, false, 100'000, 0, ENOSPC, full},
        {true, false, 3'000'000, 1'000'000, ENOSPC, full},  // on the writer's thread
        {true, true, 100, std::string::npos, 0, "  → 保存失败！没有写入权限，文件未改动。\r\n"_gbk},
        {true, false, 100'000, 10, EIO, "  → 保存失败！无法写入，文件未改动。\r\n"_gbk},
    };
    const std::filesystem::path folder = tmp.path() / "saves", path = folder / "capture.txt";
    std::filesystem::create_directory(folder);
    for (const Case& k : cases) {
        std::filesystem::remove(path);
        if (k.existing) std::ofstream(path, std::ios::binary) << std::string(20'000, 'o');
        if (k.readOnly) std::filesystem::permissions(path, std::filesystem::perms::owner_read);
        d().setText(Session(k.display));
        view.saveAnswer = path.string();
        {
            const WriteLimit limit(k.limit, k.error);
            model.userClick(c(kSave));
            tools.waitForSaves();
        }
        const std::string shown = Session(k.display) + k.note;
        loop.runUntilReal([&] { return display().size() >= shown.size(); }, std::chrono::seconds(5));
        EXPECT_TRUE(display() == shown) << k.note;
        EXPECT_EQ(d().rich().formatAt(ui::BytePos(shown.size() - 3)).colour, state.noteFormat.colour);
        EXPECT_EQ(FileBytes(path.string()), k.existing ? std::string(20'000, 'o') : "") << k.display;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), k.existing ? 1 : 0);
    }
}

// A failure told after the window went touches nothing.
TEST_F(ToolsTest, AFailureToldAfterTheWindowWentTouchesNothing) {
    d().setText(Session(3'000'000));
    view.saveAnswer = tmp.slash() + "late.txt";
    const WriteLimit limit(0, ENOSPC);
    model.userClick(c(kSave));
    main->close();
    main = nullptr;
    tools.waitForSaves();
    loop.runUntilReal([] { return false; }, std::chrono::milliseconds(50));
    EXPECT_EQ(model.window("main"), nullptr);
}

class ToolsAndReceiveTest : public ToolsTest {
protected:
    void SetUp() override {
        ToolsTest::SetUp();
        receiver.attach(*main);
        receiver.updateCalculator = [this](const std::string& line) { handedOver.push_back(line); };
    }
    ReceiveDisplay receiver{model, state};  // its timer action exists before the window
    std::vector<std::string> handedOver;
};

TEST_F(ToolsAndReceiveTest, ClearLeavesThePendingLineBreakAndCountsAfreshFromOne) {
    receiver.onBytesReceived("\x01");
    receiver.onBytesReceived("\x02");
    loop.advance(10);
    model.userClick(c(kClear));
    EXPECT_EQ(d().text(), "");
    loop.advance(40);  // the break due 50 ms after the first byte still comes
    EXPECT_EQ(d().text(), "\r\n");
    receiver.onBytesReceived("\x03");
    EXPECT_EQ(panel(0), "RX:1");
    EXPECT_EQ(panel(1), "TX:0");
    // Clearing leaves the line accumulator to the break, which empties it.
    loop.advance(50);
    EXPECT_EQ(handedOver, (std::vector<std::string>{"01 02 ", "03 "}));
}

}  // namespace
}  // namespace vorta::receive
