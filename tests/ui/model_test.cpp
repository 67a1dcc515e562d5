// How controls behave when the program or the user changes them.
#include <gtest/gtest.h>

#include "support/fakes.h"
#include "ui/model.h"
#include "base/virtual_loop.h"
#include "codec/gbk_literal.h"

namespace vorta::ui {
namespace {

constexpr ControlId<Control> kEdit{"编辑框1"_gbk};
constexpr ControlId<ComboBox> kList{"列表"_gbk};
constexpr ControlId<ComboBox> kEditable{"可编辑"_gbk};
constexpr ControlId<ComboBox> kThreeChars{"三字"_gbk};
constexpr ControlId<Control> kShortEdit{"短框"_gbk};
constexpr ControlId<CheckBox> kFirst{"甲"_gbk};
constexpr ControlId<CheckBox> kSecond{"乙"_gbk};
constexpr ControlId<CheckBox> kThird{"丙"_gbk};
constexpr ControlId<CheckBox> kCheck{"选择框"_gbk};
constexpr ControlId<Timer> kTimer{"时钟"_gbk};
constexpr ControlId<StatusBar> kBar{"状态条"_gbk};
constexpr ControlId<Control> kCopy{"复制"_gbk};

WindowDef TestWindow() {
    WindowDef w;
    w.name = "test";
    w.title = "测试"_gbk;
    w.rect = {50, 50, 400, 300};
    w.controls = {
        {.name = "编辑框1"_gbk, .kind = Kind::Edit, .rect = {0, 0, 50, 20}, .text = "50"},
        {.name = "列表"_gbk,
         .kind = Kind::ComboBox,
         .rect = {0, 30, 60, 20},
         .items = {"8", "7", "6"},
         .selectedIndex = 0},
        {.name = "可编辑"_gbk,
         .kind = Kind::ComboBox,
         .rect = {0, 60, 60, 20},
         .items = {"200", "300"},
         .selectedIndex = 1,
         .editable = true},
        {.name = "三字"_gbk, .kind = Kind::ComboBox, .items = {"1", "2"}, .editable = true, .maxLength = 3},
        {.name = "短框"_gbk, .kind = Kind::Edit, .maxLength = 3},
        {.name = "面板A"_gbk, .kind = Kind::PictureBox, .rect = {0, 90, 100, 50}},
        {.name = "面板B"_gbk, .kind = Kind::PictureBox, .rect = {0, 150, 100, 50}},
        {.name = "甲"_gbk, .kind = Kind::RadioButton, .parent = "面板A"_gbk, .text = "甲"_gbk, .checked = true},
        {.name = "乙"_gbk, .kind = Kind::RadioButton, .parent = "面板A"_gbk, .text = "乙"_gbk},
        {.name = "丙"_gbk, .kind = Kind::RadioButton, .parent = "面板B"_gbk, .text = "丙"_gbk, .checked = true},
        {.name = "选择框"_gbk, .kind = Kind::CheckBox, .text = "选"_gbk},
        {.name = "时钟"_gbk, .kind = Kind::Timer},
        {.name = "状态条"_gbk, .kind = Kind::StatusBar, .panels = {{60, "RX:0", "接收字节数"_gbk}, {60, "TX:0", ""}}},
        {.name = "菜单"_gbk, .kind = Kind::Menu},
        {.name = "复制"_gbk, .kind = Kind::MenuItem, .parent = "菜单"_gbk, .text = "复制"_gbk},
    };
    w.bindings = {
        {"编辑框1"_gbk, Event::ContentChanged, "count"},
        {"列表"_gbk, Event::ListItemSelected, "count"},
        {"可编辑"_gbk, Event::EditTextChanged, "count"},
        {"甲"_gbk, Event::Clicked, "count"},
        {"乙"_gbk, Event::Clicked, "count"},
        {"选择框"_gbk, Event::Clicked, "count"},
        {"时钟"_gbk, Event::TimerTick, "tick"},
        {"复制"_gbk, Event::MenuSelected, "count"},
        {"", Event::SizeChanged, "count"},
    };
    return w;
}

class ModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        model.registerAction(ActionId{"count"}, [this](Control& c, const EventArgs&) { events.push_back(c.name()); });
        model.registerAction(ActionId{"tick"}, [this](Control&, const EventArgs&) { ticks.push_back(loop.nowMs()); });
        window = model.openWindow(def);
    }
    template <class K>
    K& c(ControlId<K> id) {
        return (*window)[id];
    }

    WindowDef def = TestWindow();
    base::VirtualLoop loop;
    Model model{loop, {1920, 1080}};
    Window* window = nullptr;
    std::vector<Text> events;
    std::vector<std::int64_t> ticks;
};

TEST_F(ModelTest, EditTextWriteRaisesContentChangedOnceEvenWhenUnchanged) {
    c(kEdit).setText("50");
    c(kEdit).setText("60");
    EXPECT_EQ(events, (std::vector<Text>{"编辑框1"_gbk, "编辑框1"_gbk}));
    EXPECT_EQ(c(kEdit).text(), "60");
}

TEST_F(ModelTest, ComboIndexWriteClampsAndNeverRaisesListItemSelected) {
    auto& list = c(kList);
    list.setSelectedIndex(7);
    EXPECT_EQ(list.selectedIndex(), 2);
    EXPECT_EQ(list.text(), "6");
    list.setSelectedIndex(-5);
    EXPECT_EQ(list.selectedIndex(), -1);
    EXPECT_EQ(list.text(), "");  // a drop-down list without selection reads empty
    list.clearItems();
    list.setSelectedIndex(3);
    EXPECT_EQ(list.selectedIndex(), -1);
    EXPECT_TRUE(events.empty());

    list.addItem("5");
    model.userSelectItem(list, 0);  // the user's choice is announced
    EXPECT_EQ(events, std::vector<Text>{"列表"_gbk});
    c(kEditable).setSelectedIndex(0);  // an editable box shows the chosen item in its field
    EXPECT_EQ(c(kEditable).text(), "200");
}

TEST_F(ModelTest, EditableComboKeepsTypedTextAndDropDownListIgnoresTextWrites) {
    model.userEditText(c(kEditable), "250");
    EXPECT_EQ(c(kEditable).text(), "250");
    EXPECT_EQ(c(kEditable).selectedIndex(), 1);  // typing does not move the selection
    c(kList).setText("9");
    EXPECT_EQ(c(kList).text(), "8");
}

// A box with a limit holds at most that many characters whoever writes it, as
// its widget shows it: a stored "1000" reads back as the "100" the box shows.
TEST_F(ModelTest, ALimitedBoxHoldsItsFirstCharactersOfALongerText) {
    const struct {
        Text written, held;
    } cases[] = {
        {"1000", "100"},
        {"2147483647", "214"},
        {"12", "12"},
        {"", ""},
        {"１０００"_gbk, "１００"_gbk},
        {"中文字符"_gbk, "中文字"_gbk},
        {"a中b"_gbk, "a中b"_gbk},
        {"ab中"_gbk, "ab中"_gbk},
    };
    for (const auto& t : cases) {
        c(kThreeChars).setText(t.written);
        EXPECT_EQ(c(kThreeChars).text(), t.held) << t.written;
        c(kShortEdit).setText(t.written);
        EXPECT_EQ(c(kShortEdit).text(), t.held) << t.written;
        model.userEditText(c(kThreeChars), t.written);
        EXPECT_EQ(c(kThreeChars).text(), t.held) << t.written;
    }
    c(kEdit).setText("2147483647");  // no limit
    EXPECT_EQ(c(kEdit).text(), "2147483647");
}

TEST_F(ModelTest, RadioWriteLeavesPartnerButUserClickMakesItExclusiveWithinItsContainer) {
    c(kSecond).setChecked(true);
    EXPECT_TRUE(c(kFirst).checked());
    EXPECT_TRUE(events.empty());  // writes raise no click
    c(kSecond).setChecked(false);

    model.userClick(c(kSecond));
    EXPECT_TRUE(c(kSecond).checked());
    EXPECT_FALSE(c(kFirst).checked());
    EXPECT_TRUE(c(kThird).checked());  // another container is another group
    model.userClick(c(kSecond));       // clicking the checked one keeps it checked
    EXPECT_TRUE(c(kSecond).checked());
    EXPECT_EQ(events.size(), 2u);
}

TEST_F(ModelTest, CheckBoxClickTogglesThenRaisesClickedButNotWhenDisabled) {
    bool seen = false;
    window->on(kCheck, Event::Clicked, [&](Control& box, const EventArgs&) { seen = box.as<CheckBox>().checked(); });
    model.userClick(c(kCheck));
    EXPECT_TRUE(seen);
    c(kCheck).setDisabled(true);
    model.userClick(c(kCheck));
    EXPECT_TRUE(c(kCheck).checked());
}

TEST_F(ModelTest, TimerPeriodRules) {
    auto& timer = c(kTimer);
    timer.setPeriod(50);
    loop.advance(30);
    timer.setPeriod(50);  // same value: not restarted
    loop.advance(20);
    ASSERT_EQ(ticks, std::vector<std::int64_t>{50});
    timer.setPeriod(40);  // a new value restarts from now
    loop.advance(39);
    EXPECT_EQ(ticks.size(), 1u);
    loop.advance(1);
    EXPECT_EQ(ticks.back(), 90);
    timer.setPeriod(-7);  // negative is 0: stopped
    EXPECT_EQ(timer.period(), 0);
    loop.advance(1000);
    EXPECT_EQ(ticks.size(), 2u);
}

TEST_F(ModelTest, TimerStoppingItselfFromItsTickFiresOnce) {
    window->on(kTimer, Event::TimerTick, [&](Control& t, const EventArgs&) { t.as<Timer>().setPeriod(0); });
    c(kTimer).setPeriod(10);
    loop.advance(100);
    EXPECT_EQ(ticks.size(), 1u);
}

TEST_F(ModelTest, StatusPanelsOutsideTheBarAreIgnored) {
    c(kBar).setPanelText(1, "TX:8");
    c(kBar).setPanelText(5, "x");
    c(kBar).setPanelText(-1, "x");
    EXPECT_EQ(c(kBar).panelText(0), "RX:0");
    EXPECT_EQ(c(kBar).panelText(1), "TX:8");
}

TEST_F(ModelTest, WindowSizeWritesRaiseSizeChangedAndUserResizeOnlyWhenItChanged) {
    window->setWidth(600);
    window->setHeight(536);
    model.userResized(*window, 600, 536);
    model.userResized(*window, 610, 536);
    EXPECT_EQ(std::count(events.begin(), events.end(), Text()), 3);
}

TEST_F(ModelTest, DisabledMenuItemCannotBeChosen) {
    c(kCopy).setDisabled(true);
    model.userMenuSelect(c(kCopy));
    c(kCopy).setDisabled(false);
    model.userMenuSelect(c(kCopy));
    EXPECT_EQ(events, std::vector<Text>{"复制"_gbk});
}

TEST_F(ModelTest, ClosingRunsDestroyingWhileControlsExistAndStopsTimers) {
    Text seen;
    window->onWindow(Event::Destroying, [&](Control&, const EventArgs&) { seen = c(kEdit).text(); });
    c(kTimer).setPeriod(10);
    window->close();
    EXPECT_EQ(seen, "50");
    EXPECT_EQ(loop.activeTimers(), 0);
    EXPECT_EQ(model.window("test"), nullptr);
    loop.advance(100);
    EXPECT_TRUE(ticks.empty());
}

TEST_F(ModelTest, OnlyAnOpenWindowIsBroughtToTheFront) {
    test::RecordingView view;
    model.setView(&view);
    window->activate();
    window->close();
    window->activate();
    EXPECT_EQ(view.activated, std::vector<Text>{"test"});
    model.setView(nullptr);
}

TEST_F(ModelTest, CentredWindowIsPlacedInTheMiddleOfTheScreen) {
    EXPECT_EQ(window->left(), (1920 - 400) / 2);
    EXPECT_EQ(window->top(), (1080 - 300) / 2);
}

TEST(ModelModal, ModalWindowReturnsAfterItClosed) {
    base::VirtualLoop loop;
    Model model(loop, {800, 600});
    WindowDef def = TestWindow();
    model.registerAction(ActionId{"count"}, [](Control& c, const EventArgs&) { c.window().close(); });
    def.bindings = {{"", Event::Created, "count"}};
    EXPECT_EQ(model.openWindow(def, true), nullptr);
    EXPECT_EQ(model.window("test"), nullptr);
}

}  // namespace
}  // namespace vorta::ui

namespace vorta::ui {
namespace {

TEST(ModelLifetime, DestroyingTheModelRunsNoHandlerOfAnOpenWindow) {
    // Handlers belong to objects that may be gone before the model; a window
    // still open when the model goes must not call them.
    base::VirtualLoop loop;
    int calls = 0;
    {
        Model model(loop, {800, 600});
        WindowDef def = TestWindow();
        model.registerAction(ActionId{"count"}, [&](Control&, const EventArgs&) { ++calls; });
        def.bindings = {{"", Event::Destroying, "count"}, {"时钟"_gbk, Event::TimerTick, "count"}};
        Window* w = model.openWindow(def);
        (*w)[kTimer].setPeriod(10);
    }
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(loop.activeTimers(), 0);
}

TEST(ModelLifetime, AWindowKeepsTheDefinitionItWasOpenedFromWhenTheCallersCopyChangesOrGoes) {
    base::VirtualLoop loop;
    Model model(loop, {800, 600});
    Text seen;
    model.registerAction(ActionId{"count"}, [&](Control& c, const EventArgs&) { seen = c.window()[kEdit].text(); });
    model.registerAction(ActionId{"tick"}, [](Control&, const EventArgs&) {});
    Window* w = nullptr;
    {
        WindowDef def = TestWindow();
        def.bindings.push_back({"", Event::Destroying, "count"});
        w = model.openWindow(def);
        def.name = "other";
        def.controls[0].text = "changed";
        def.controls[0].kind = Kind::Label;
        EXPECT_EQ(w->name(), "test");
        EXPECT_EQ((*w)[kEdit].def().text, "50");
    }
    EXPECT_EQ(model.window("test"), w);
    EXPECT_EQ((*w)[kEdit].kind(), Kind::Edit);
    (*w)[kTimer].setPeriod(10);
    w->close();  // its handlers still find their controls by name
    EXPECT_EQ(seen, "50");
}

TEST(ModelBindings, AWindowWithAnUnboundBindingDoesNotOpen) {
    static const WindowDef def{.name = "w", .bindings = {{{}, Event::Created, "Missing"}}};
    base::VirtualLoop loop;
    Model model(loop, {800, 600});
    EXPECT_DEATH(model.openWindow(def), "no action 'Missing'");
}

}  // namespace
}  // namespace vorta::ui
