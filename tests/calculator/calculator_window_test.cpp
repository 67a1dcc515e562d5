// The calculator window on the real window definitions and the virtual clock:
// opened from the display's menu, fed by the receive display's line breaks.
#include "calculator/calculator_actions.h"

#include "receive/receive_display.h"
#include "store/settings_file.h"
#include "support/main_window_fixture.h"
#include "ui/windows/control_ids.h"
#include "codec/gbk_literal.h"

namespace vorta::calculator {
namespace {

namespace calc = ui::calculator;
const char* const kDefaultSteps = "+1000\r\n-1000\r\n*1000\r\n/1000";

class CalculatorWindowTest : public test::MainWindowFixture {
protected:
    void SetUp() override {
        start();
        receive.attach(*main);
        actions.attach(*main);
    }
    ui::Window& open() {
        model.userMenuSelect(c(ui::main::kOpenCalculatorItem));
        calc_ = model.window(calc::kWindowName);
        EXPECT_NE(calc_, nullptr);
        return *calc_;
    }
    template <class K>
    K& k(ui::ControlId<K> id) {
        return (*calc_)[id];
    }
    // Column 1 to 4 set up as the user does it.
    void column(ui::ControlId<ui::CheckBox> enable, ui::ControlId<ui::ComboBox> first, int g,
                ui::ControlId<ui::ComboBox> count, int n, ui::ControlId<ui::Control> steps, const char* text) {
        model.userClick(k(enable));
        model.userSelectItem(k(first), g);
        model.userSelectItem(k(count), n);
        model.userEditText(k(steps), text);
    }
    // A frame arrives and the line break falls after the interval.
    void frame(std::initializer_list<int> bytes) {
        std::string chunk;
        for (int b : bytes) chunk += static_cast<char>(b);
        receive.onBytesReceived(chunk);
        loop.advance(state.lineBreakInterval);
    }
    std::string stored(const char* section, const std::string& key) {
        return store::ReadSetting(state.settingsPath, section, key, "<none>");
    }

    receive::ReceiveDisplay receive{model, state};
    CalculatorActions actions{model, state, receive};
    ui::Window* calc_ = nullptr;
};

TEST_F(CalculatorWindowTest, OpensFilledBesideTheMainWindowWithoutBlockingIt) {
    ui::Window& w = open();
    EXPECT_FALSE(w.modal());
    EXPECT_EQ(w.def().title, "");
    ASSERT_EQ(k(calc::kFirstByte1).items().size(), 30u);
    EXPECT_EQ(k(calc::kFirstByte4).items().back(), "29");
    ASSERT_EQ(k(calc::kByteCount2).items().size(), 5u);
    EXPECT_EQ(k(calc::kByteCount3).items().back(), "4");
    EXPECT_EQ(k(calc::kFirstByte1).selectedIndex(), 0);
    EXPECT_EQ(k(calc::kByteCount4).selectedIndex(), 0);
    // Only column 4 gets steps at the first opening; the design texts are replaced.
    EXPECT_EQ(k(calc::kSteps1).text(), "");
    EXPECT_EQ(k(calc::kSteps2).text(), "");
    EXPECT_EQ(k(calc::kSteps4).text(), kDefaultSteps);
    EXPECT_FALSE(k(calc::kEnable1).checked());
    // The main window still takes input.
    ui::CheckBox& crc = c(ui::main::kCrc);
    const bool before = crc.checked();
    model.userClick(crc);
    EXPECT_NE(crc.checked(), before);
    // A second menu choice does not open a second calculator.
    model.userMenuSelect(c(ui::main::kOpenCalculatorItem));
    EXPECT_EQ(actions.window(), calc_);
}

TEST_F(CalculatorWindowTest, ChoosingTheItemWhileItIsOpenBringsTheSameCalculatorToTheFront) {
    ui::Window& w = open();
    model.userSelectItem(k(calc::kFirstByte1), 5);
    EXPECT_TRUE(view.activated.empty());
    model.userMenuSelect(c(ui::main::kOpenCalculatorItem));
    EXPECT_EQ(view.activated, std::vector<ui::Text>{ui::Text(calc::kWindowName)});
    EXPECT_EQ(model.window(calc::kWindowName), &w);
    EXPECT_EQ(k(calc::kFirstByte1).selectedIndex(), 5);  // the user's choices stay
}

TEST_F(CalculatorWindowTest, WorkedFrameInThreeColumns) {
    open();
    column(calc::kEnable1, calc::kFirstByte1, 4, calc::kByteCount1, 2, calc::kSteps1, kDefaultSteps);
    column(calc::kEnable2, calc::kFirstByte2, 6, calc::kByteCount2, 2, calc::kSteps2, "/10");
    column(calc::kEnable3, calc::kFirstByte3, 1, calc::kByteCount3, 4, calc::kSteps3, "");
    k(calc::kHex4).setText("untouched");
    frame({0x01, 0x03, 0x04, 0x00, 0x0A, 0x01, 0xF4, 0xFA, 0x33});
    EXPECT_EQ(k(calc::kHex1).text(), "000A");
    EXPECT_EQ(k(calc::kResult1).text(), "10");
    EXPECT_EQ(k(calc::kHex2).text(), "01F4");
    EXPECT_EQ(k(calc::kResult2).text(), "50");
    EXPECT_EQ(k(calc::kHex3).text(), "01030400");
    EXPECT_EQ(k(calc::kResult3).text(), "16974848");
    // An unchecked column keeps its boxes.
    EXPECT_EQ(k(calc::kHex4).text(), "untouched");
    EXPECT_EQ(k(calc::kResult4).text(), "");
}

TEST_F(CalculatorWindowTest, EdgeFramesAndSteps) {
    open();
    column(calc::kEnable1, calc::kFirstByte1, 1, calc::kByteCount1, 2, calc::kSteps1, "");
    column(calc::kEnable2, calc::kFirstByte2, 2, calc::kByteCount2, 4, calc::kSteps2, "*0.5");
    column(calc::kEnable3, calc::kFirstByte3, 0, calc::kByteCount3, 2, calc::kSteps3, "x5\r\n+3");
    column(calc::kEnable4, calc::kFirstByte4, 1, calc::kByteCount4, 4, calc::kSteps4, kDefaultSteps);
    frame({0x01, 0x03});
    EXPECT_EQ(k(calc::kHex1).text(), "0103");  // short frame: both bytes there are
    EXPECT_EQ(k(calc::kResult1).text(), "259");
    EXPECT_EQ(k(calc::kHex2).text(), "03");
    EXPECT_EQ(k(calc::kResult2).text(), "1.5");
    EXPECT_EQ(k(calc::kHex3).text(), "");      // first byte 0: no bytes
    EXPECT_EQ(k(calc::kResult3).text(), "3");  // the x line is skipped
    frame({0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(k(calc::kHex4).text(), "FFFFFFFF");
    EXPECT_EQ(k(calc::kResult4).text(), "-1");
    model.userEditText(k(calc::kSteps4), "/0");  // the next frame uses the new steps
    frame({0x00, 0x00, 0x00, 0x01});
    EXPECT_EQ(k(calc::kResult4).text(), "inf");
}

TEST_F(CalculatorWindowTest, NothingIsEvaluatedInTextModeOrWithoutLineBreaks) {
    open();
    column(calc::kEnable1, calc::kFirstByte1, 1, calc::kByteCount1, 1, calc::kSteps1, "+1");
    model.userClick(c(ui::main::kTextDisplay));
    frame({0x41, 0x42});
    EXPECT_EQ(k(calc::kHex1).text(), "");
    EXPECT_EQ(k(calc::kResult1).text(), "");
    EXPECT_EQ(display(), "AB\r\n");  // the line break came, the calculator got nothing
    model.userClick(c(ui::main::kHexDisplay));
    model.userClick(c(ui::main::kAutoLineBreak));
    ASSERT_FALSE(c(ui::main::kAutoLineBreak).checked());
    frame({0x07});
    loop.advance(1000);
    EXPECT_EQ(k(calc::kResult1).text(), "");
    // With the line break back on, the whole accumulated line is handed over.
    model.userClick(c(ui::main::kAutoLineBreak));
    frame({0x08});
    EXPECT_EQ(k(calc::kHex1).text(), "07");
    EXPECT_EQ(k(calc::kResult1).text(), "8");
}

TEST_F(CalculatorWindowTest, ChoicesAreStoredOnCloseAndRestoredOnOpen) {
    open();
    column(calc::kEnable1, calc::kFirstByte1, 4, calc::kByteCount1, 2, calc::kSteps1, "+1\r\n*2");
    column(calc::kEnable3, calc::kFirstByte3, 29, calc::kByteCount3, 4, calc::kSteps3, "+1#2");
    model.userEditText(k(calc::kSteps4), "");
    model.userClose(*calc_);
    EXPECT_EQ(model.window(calc::kWindowName), nullptr);
    EXPECT_FALSE(receive.updateCalculator);  // a closed calculator costs the receive path nothing
    EXPECT_EQ(stored("计算起始"_gbk, "1起"_gbk), "4");
    EXPECT_EQ(stored("计算起始"_gbk, "1几"_gbk), "2");
    EXPECT_EQ(stored("计算起始"_gbk, "2起"_gbk), "0");
    EXPECT_EQ(stored("计算起始"_gbk, "3起"_gbk), "29");
    EXPECT_EQ(stored("计算起始"_gbk, "3几"_gbk), "4");
    EXPECT_EQ(stored("16进制数据"_gbk, "数据1"_gbk), "+1#*2");
    EXPECT_EQ(stored("16进制数据"_gbk, "数据2"_gbk), "");
    EXPECT_EQ(stored("16进制数据"_gbk, "数据3"_gbk), "+1#2");
    EXPECT_EQ(stored("16进制数据"_gbk, "数据4"_gbk), "");
    // Frames while closed reach nothing.
    frame({0x01, 0x02, 0x03});

    open();
    EXPECT_EQ(k(calc::kFirstByte1).selectedIndex(), 4);
    EXPECT_EQ(k(calc::kByteCount1).selectedIndex(), 2);
    EXPECT_EQ(k(calc::kFirstByte3).selectedIndex(), 29);
    EXPECT_EQ(k(calc::kSteps1).text(), "+1\r\n*2");
    EXPECT_EQ(k(calc::kSteps3).text(), "+1\r\n2");      // "#" came back as a line break
    EXPECT_EQ(k(calc::kSteps4).text(), kDefaultSteps);  // empty again: the default steps
    EXPECT_FALSE(k(calc::kEnable1).checked());          // check boxes are not stored
    EXPECT_EQ(k(calc::kHex1).text(), "");
}

TEST_F(CalculatorWindowTest, ClosingTheProgramWithTheCalculatorOpenStoresItsKeys) {
    open();
    model.userSelectItem(k(calc::kByteCount2), 3);
    model.userEditText(k(calc::kSteps2), "-7");
    model.userClose(*main);
    EXPECT_EQ(model.window(calc::kWindowName), nullptr);
    EXPECT_EQ(stored("计算起始"_gbk, "2几"_gbk), "3");
    EXPECT_EQ(stored("16进制数据"_gbk, "数据2"_gbk), "-7");
    EXPECT_EQ(stored("16进制数据"_gbk, "数据4"_gbk), "+1000#-1000#*1000#/1000");
}

}  // namespace
}  // namespace vorta::calculator
