// The generator window on the real window definitions and the virtual clock,
// opened modally from the main window's auto-send lamp.
#include "generator/generator_actions.h"

#include <algorithm>

#include "store/settings_file.h"
#include "support/main_window_fixture.h"
#include "ui/windows/control_ids.h"
#include "codec/gbk_literal.h"

namespace vorta::generator {
namespace {

namespace gen = ui::generator;

class GeneratorWindowTest : public test::MainWindowFixture {
protected:
    // Opens the generator as the user does; the virtual loop returns from the
    // modal opening at once and leaves the window open for the test to drive.
    ui::Window& open() {
        if (!main) start();
        model.userMouse(c(ui::main::kAutoSendLamp), ui::Event::RightReleased, {});
        gen_ = model.window(gen::kWindowName);
        EXPECT_NE(gen_, nullptr);
        return *gen_;
    }
    template <class K>
    K& g(ui::ControlId<K> id) {
        return (*gen_)[id];
    }
    std::string stored(const char* key) { return store::ReadSetting(state.settingsPath, "MoKuai", key, "<none>"); }
    void store(const char* key, const char* value) {
        ASSERT_TRUE(store::WriteSetting(state.settingsPath, "MoKuai", key, value));
    }
    void forget(const char* key) { ASSERT_TRUE(store::WriteSetting(state.settingsPath, "MoKuai", key, std::nullopt)); }
    void addresses(const char* first, const char* last) {
        model.userEditText(g(gen::kFirstAddress), first);
        g(gen::kLastAddress).setText(last);
        model.userLostFocus(g(gen::kLastAddress));
    }
    std::string generate() {
        model.userClick(g(gen::kGenerate));
        return g(gen::kOutput).text();
    }

    GeneratorActions actions{model, state};
    ui::Window* gen_ = nullptr;
};

TEST_F(GeneratorWindowTest, OpensModalCentredWithTheDefaultChoices) {
    ui::Window& w = open();
    EXPECT_TRUE(w.modal());
    EXPECT_EQ(w.left(), (1280 - 625) / 2);
    EXPECT_EQ(w.top(), (1024 - 500) / 2);
    EXPECT_EQ(g(gen::kModuleType).selectedIndex(), 0);
    EXPECT_EQ(g(gen::kChannelCount).text(), "9路"_gbk);
    EXPECT_FALSE(g(gen::kChannelCount).disabled());
    EXPECT_EQ(g(gen::kFirstAddress).text(), "0");
    EXPECT_EQ(g(gen::kLastAddress).text(), "251");
    for (ui::ControlId<ui::ComboBox> id : {gen::kFirstAddress, gen::kLastAddress}) {
        ASSERT_EQ(g(id).items().size(), 506u);
        EXPECT_EQ(g(id).items().front(), "1");
        EXPECT_EQ(g(id).items().back(), "506");
    }
    EXPECT_TRUE(g(gen::kDefaultLayout).checked());
    EXPECT_FALSE(g(gen::kCustomBody).visible());
    EXPECT_EQ(g(gen::kOutput).text(), "03 00 64 00 25");
}

TEST_F(GeneratorWindowTest, RestoresTheFourKeys) {
    start();
    store("类型"_gbk, "1");
    store("路数"_gbk, "0");
    store("地址起"_gbk, "7");
    store("地址终"_gbk, "９"_gbk);
    open();
    EXPECT_EQ(g(gen::kModuleType).text(), "Q20模块"_gbk);
    EXPECT_EQ(g(gen::kChannelCount).text(), "1路"_gbk);
    EXPECT_TRUE(g(gen::kChannelCount).disabled());
    EXPECT_EQ(g(gen::kFirstAddress).text(), "7");
    EXPECT_EQ(g(gen::kLastAddress).text(), "９"_gbk);
    EXPECT_EQ(g(gen::kFirstAddress).items().size(), 255u);
    EXPECT_EQ(generate(), "EA 07 07 BC  ← 7\r\nEA 08 08 BC  ← 8\r\nEA 09 09 BC  ← 9\r\n"_gbk);
}

// A stored address longer than the box's three characters is cut as the box
// shows it, and the lines generated are those of the addresses shown.
TEST_F(GeneratorWindowTest, StoredAddressesTooLongForTheBoxGenerateTheRangeShown) {
    start();
    const struct {
        const char *storedFirst, *storedLast, *shownFirst, *shownLast;
        int lines;
    } cases[] = {
        {"1", "1000", "1", "100", 100},
        {"-2147483648", "2147483647", "-21", "214", 236},
    };
    for (const auto& t : cases) {
        store("类型"_gbk, "1");
        store("地址起"_gbk, t.storedFirst);
        store("地址终"_gbk, t.storedLast);
        open();
        ASSERT_EQ(g(gen::kFirstAddress).text(), t.shownFirst);
        ASSERT_EQ(g(gen::kLastAddress).text(), t.shownLast);
        const std::string out = generate();
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), t.lines) << t.storedLast;
        model.userClick(g(gen::kClose));
    }
}

TEST_F(GeneratorWindowTest, SwitchingTypesRefillsTheAddressListsBothWays) {
    open();
    addresses("12", "34");
    model.userSelectItem(g(gen::kModuleType), 1);
    EXPECT_EQ(g(gen::kFirstAddress).items().size(), 255u);
    EXPECT_EQ(g(gen::kLastAddress).items().size(), 255u);  // not 761
    EXPECT_EQ(g(gen::kLastAddress).items().back(), "255");
    EXPECT_TRUE(g(gen::kChannelCount).disabled());
    EXPECT_EQ(stored("类型"_gbk), "1");
    model.userSelectItem(g(gen::kModuleType), 0);
    EXPECT_EQ(g(gen::kFirstAddress).items().size(), 506u);
    EXPECT_EQ(g(gen::kLastAddress).items().size(), 506u);
    EXPECT_FALSE(g(gen::kChannelCount).disabled());
    EXPECT_EQ(stored("类型"_gbk), "0");
    // The shown addresses survive the refills.
    EXPECT_EQ(g(gen::kFirstAddress).text(), "12");
    EXPECT_EQ(g(gen::kLastAddress).text(), "34");
    model.userSelectItem(g(gen::kChannelCount), 1);
    EXPECT_EQ(stored("路数"_gbk), "1");
}

TEST_F(GeneratorWindowTest, AddressesStayOrderedKeepingTheChangedOneAndBothKeysAreWritten) {
    open();
    model.userSelectItem(g(gen::kLastAddress), 4);  // "5"
    EXPECT_EQ(g(gen::kFirstAddress).text(), "0");
    forget("地址起"_gbk);
    forget("地址终"_gbk);
    model.userEditText(g(gen::kFirstAddress), "10");
    EXPECT_EQ(g(gen::kLastAddress).text(), "10");
    EXPECT_EQ(stored("地址起"_gbk), "10");
    EXPECT_EQ(stored("地址终"_gbk), "10");
    model.userSelectItem(g(gen::kLastAddress), 2);  // "3"
    EXPECT_EQ(g(gen::kFirstAddress).text(), "3");
    EXPECT_EQ(stored("地址起"_gbk), "3");
    EXPECT_EQ(stored("地址终"_gbk), "3");
    // Typing into the last address changes nothing until it loses the focus.
    forget("地址起"_gbk);
    forget("地址终"_gbk);
    model.userEditText(g(gen::kLastAddress), "1");
    EXPECT_EQ(g(gen::kFirstAddress).text(), "3");
    EXPECT_EQ(stored("地址终"_gbk), "<none>");
    model.userLostFocus(g(gen::kLastAddress));
    EXPECT_EQ(g(gen::kFirstAddress).text(), "1");
    EXPECT_EQ(stored("地址起"_gbk), "1");
    EXPECT_EQ(stored("地址终"_gbk), "1");
    // Already ordered: nothing moves, both keys are still written.
    forget("地址起"_gbk);
    forget("地址终"_gbk);
    model.userSelectItem(g(gen::kFirstAddress), 0);
    EXPECT_EQ(stored("地址起"_gbk), "1");
    EXPECT_EQ(stored("地址终"_gbk), "1");
}

TEST_F(GeneratorWindowTest, WorkedExampleInAllFiveLayouts) {
    open();
    addresses("1", "2");
    model.userSelectItem(g(gen::kChannelCount), 2);
    EXPECT_EQ(generate(), "01 03 10 00 00 25 D1 80  → 1\r\n02 03 10 00 00 25 E2 80  → 2\r\n"_gbk);
    model.userSelectItem(g(gen::kChannelCount), 1);
    EXPECT_EQ(generate(), "01 03 10 00 00 16 C4 C0  → 1\r\n02 03 10 00 00 16 F7 C0  → 2\r\n"_gbk);
    model.userSelectItem(g(gen::kChannelCount), 0);
    EXPECT_EQ(generate(), "01 03 10 00 00 0D CF 80  → 1\r\n02 03 10 00 00 0D FC 80  → 2\r\n"_gbk);
    model.userSelectItem(g(gen::kModuleType), 1);
    EXPECT_EQ(generate(), "EA 01 01 BC  ← 1\r\nEA 02 02 BC  ← 2\r\n"_gbk);
    model.userClick(g(gen::kCustomLayout));
    EXPECT_EQ(generate(), "01 03 00 64 00 25\r\n02 03 00 64 00 25\r\n");
    model.userEditText(g(gen::kCustomBody), "11 22");
    addresses("300", "300");
    EXPECT_EQ(generate(), "12C 11 22\r\n");
}

TEST_F(GeneratorWindowTest, WholeQ58RangeAndItsBoundary) {
    open();
    addresses("1", "506");
    const std::string out = generate();
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = out.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(out.substr(start, end - start));
    ASSERT_EQ(lines.size(), 506u);
    EXPECT_EQ(lines[251], "FC 03 10 00 00 25 3C 95  → 252"_gbk);
    EXPECT_EQ(lines[252], "00 03 10 00 01 25 90 80  → 253"_gbk);
    EXPECT_EQ(lines[299].substr(0, 15), "2F 03 10 00 01 ");
    EXPECT_EQ(lines[505], "FD 03 10 00 01 25 7D 95  → 506"_gbk);
}

TEST_F(GeneratorWindowTest, LayoutRadioButtonsSwapTheControls) {
    open();
    model.userClick(g(gen::kCustomLayout));
    EXPECT_TRUE(g(gen::kCustomBody).visible());
    EXPECT_FALSE(g(gen::kChannelCount).visible());
    EXPECT_FALSE(g(gen::kModuleType).visible());
    EXPECT_FALSE(g(gen::kDefaultLayout).checked());
    model.userClick(g(gen::kDefaultLayout));
    EXPECT_FALSE(g(gen::kCustomBody).visible());
    EXPECT_TRUE(g(gen::kChannelCount).visible());
    EXPECT_TRUE(g(gen::kModuleType).visible());
}

TEST_F(GeneratorWindowTest, GeneratingEmptiesTheBoxAndPumpsEventsForOneMillisecond) {
    open();
    addresses("1", "1");
    std::string seenDuringPause = "<not run>";
    loop.post([&] { seenDuringPause = g(gen::kOutput).text(); });
    const std::int64_t before = loop.nowMs();
    const std::string out = generate();
    EXPECT_EQ(seenDuringPause, "");
    EXPECT_EQ(loop.nowMs(), before + 1);
    EXPECT_EQ(out, "01 03 10 00 00 25 D1 80  → 1\r\n"_gbk);
    // First greater than last: the box stays empty.
    addresses("9", "9");
    model.userEditText(g(gen::kLastAddress), "8");  // typed, not yet ordered
    EXPECT_EQ(generate(), "");
}

TEST_F(GeneratorWindowTest, ClosingDuringThePauseStopsTheGeneration) {
    open();
    loop.post([&] { model.userClick(g(gen::kClose)); });
    model.userClick(g(gen::kGenerate));
    EXPECT_EQ(model.window(gen::kWindowName), nullptr);
    EXPECT_EQ(actions.window(), nullptr);
}

TEST_F(GeneratorWindowTest, AddReplacesTheAutoSendListAndUnchecksCrc) {
    start();
    c(ui::main::kAutoSendList).setText("01 02\r\nold line\r\n");
    c(ui::main::kCrc).setChecked(true);
    open();
    addresses("1", "2");
    const std::string out = generate();
    model.userClick(g(gen::kAdd));
    EXPECT_EQ(c(ui::main::kAutoSendList).text(), out);
    EXPECT_FALSE(c(ui::main::kCrc).checked());
    // Adding again still replaces; the window stays open.
    model.userClick(g(gen::kAdd));
    EXPECT_EQ(c(ui::main::kAutoSendList).text(), out);
    EXPECT_NE(model.window(gen::kWindowName), nullptr);
    // What the user edited in the output box is what is added.
    model.userEditText(g(gen::kOutput), "AA BB\r\n");
    model.userClick(g(gen::kAdd));
    EXPECT_EQ(c(ui::main::kAutoSendList).text(), "AA BB\r\n");
}

TEST_F(GeneratorWindowTest, MainWindowTakesNoInputUntilTheGeneratorCloses) {
    open();
    ui::CheckBox& crc = c(ui::main::kCrc);
    const bool before = crc.checked();
    model.userClick(crc);
    EXPECT_EQ(crc.checked(), before);
    model.userEditText(c(ui::main::kSendBox), "typed while blocked");
    EXPECT_NE(c(ui::main::kSendBox).text(), "typed while blocked");
    model.userSelectItem(c(ui::main::kBaud), 0);
    model.userMouse(c(ui::main::kAutoSendLamp), ui::Event::RightReleased, {});  // no second generator
    EXPECT_EQ(actions.window(), gen_);
    // The generator itself takes input.
    model.userClick(g(gen::kCustomLayout));
    EXPECT_TRUE(g(gen::kCustomBody).visible());
    model.userClick(g(gen::kClose));
    EXPECT_EQ(model.window(gen::kWindowName), nullptr);
    model.userClick(crc);
    EXPECT_NE(crc.checked(), before);
    // Every opening starts from the definition: default layout, default body.
    open();
    EXPECT_TRUE(g(gen::kDefaultLayout).checked());
    EXPECT_EQ(g(gen::kCustomBody).text(), "03 00 64 00 25");
}

}  // namespace
}  // namespace vorta::generator
