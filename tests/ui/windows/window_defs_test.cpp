#include "ui/windows/window_defs.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <span>
#include <stdexcept>

#include "ui/windows/control_ids.h"
#include "codec/gbk_literal.h"

namespace vorta::ui {
namespace {

const ControlDef* Find(const WindowDef& w, std::string_view name) {
    for (const ControlDef& c : w.controls)
        if (c.name == name) return &c;
    return nullptr;
}

const ControlDef& Get(const WindowDef& w, std::string_view name) {
    const ControlDef* c = Find(w, name);
    if (!c) throw std::runtime_error("no control " + std::string(name));
    return *c;
}

bool IsContainer(Kind k) { return k == Kind::GroupBox || k == Kind::PictureBox; }

// Which events a control of each kind can raise.
bool CanRaise(Kind kind, Event event) {
    switch (event) {
    case Event::Clicked: return kind == Kind::Button || kind == Kind::CheckBox || kind == Kind::RadioButton;
    case Event::ListItemSelected:
    case Event::EditTextChanged: return kind == Kind::ComboBox;
    case Event::ContentChanged: return kind == Kind::Edit;
    case Event::TimerTick: return kind == Kind::Timer;
    case Event::MenuSelected: return kind == Kind::MenuItem;
    case Event::LeftPressed:
    case Event::LeftReleased:
    case Event::RightReleased:
    case Event::LostFocus:
        return kind != Kind::Timer && kind != Kind::FileDialog && kind != Kind::BalloonTip && kind != Kind::Menu &&
               kind != Kind::MenuItem;
    case Event::Created:
    case Event::SizeChanged:
    case Event::Destroying: return false;  // window events only
    }
    return false;
}

// Every text must be GBK: a character outside GBK compiles to a four-byte
// GB18030 sequence, which the Windows code page cannot show.
bool IsGbk(const Text& t) {
    for (std::size_t i = 0; i < t.size();) {
        const auto lead = static_cast<unsigned char>(t[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (lead == 0x80 || lead == 0xFF || i + 1 >= t.size()) return false;
        const auto trail = static_cast<unsigned char>(t[i + 1]);
        if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return false;
        i += 2;
    }
    return true;
}

class AllWindows : public ::testing::TestWithParam<const WindowDef& (*)()> {
protected:
    const WindowDef& w() { return GetParam()(); }
};

TEST_P(AllWindows, NamesAreUniqueAndParentsAreContainersOrMenus) {
    std::set<Text> names;
    for (const ControlDef& c : w().controls) {
        EXPECT_FALSE(c.name.empty());
        EXPECT_TRUE(names.insert(c.name).second) << "duplicate " << c.name;
    }
    for (const ControlDef& c : w().controls) {
        if (c.parent.empty()) {
            EXPECT_NE(c.kind, Kind::MenuItem) << c.name << ": a menu item needs its menu";
            continue;
        }
        const ControlDef* p = Find(w(), c.parent);
        ASSERT_NE(p, nullptr) << c.name << " has no parent " << c.parent;
        if (c.kind == Kind::MenuItem)
            EXPECT_EQ(p->kind, Kind::Menu) << c.name;
        else
            EXPECT_TRUE(IsContainer(p->kind)) << c.name << " in " << c.parent;
        // A parent comes first, so a view can create controls in list order.
        EXPECT_LT(p - w().controls.data(), &c - w().controls.data()) << c.name;
    }
}

TEST_P(AllWindows, BindingsNameExistingControlsAndFittingEvents) {
    std::set<std::pair<Text, Event>> seen;
    for (const BindingDef& b : w().bindings) {
        EXPECT_FALSE(b.action.empty());
        EXPECT_TRUE(seen.insert({b.control, b.event}).second) << b.control << " bound twice";
        if (b.control.empty()) {
            EXPECT_TRUE(b.event == Event::Created || b.event == Event::SizeChanged || b.event == Event::Destroying);
            continue;
        }
        const ControlDef* c = Find(w(), b.control);
        ASSERT_NE(c, nullptr) << "binding names missing control " << b.control;
        EXPECT_TRUE(CanRaise(c->kind, b.event)) << b.control << " cannot raise " << static_cast<int>(b.event);
    }
}

// The label that names a control to a screen reader is a caption the user sees
// beside it: in the same container, on its row, ending at most 12 pixels left of it.
TEST_P(AllWindows, AControlIsLabelledByACaptionJustLeftOfIt) {
    for (const ControlDef& c : w().controls) {
        if (c.labelledBy.empty()) continue;
        const ControlDef* label = Find(w(), c.labelledBy);
        ASSERT_NE(label, nullptr) << c.name << " is labelled by missing " << c.labelledBy;
        EXPECT_TRUE(label->kind == Kind::Label || label->kind == Kind::CheckBox) << c.name;
        EXPECT_FALSE(label->text.empty()) << c.name;
        EXPECT_EQ(label->parent, c.parent) << c.name;
        const int gap = c.rect.left - (label->rect.left + label->rect.width);
        // A button says what it does and takes the name of its row from the label that starts it.
        if (c.kind == Kind::Button)
            EXPECT_GE(gap, 0) << c.name << " is left of its label";
        else
            EXPECT_TRUE(gap > -4 && gap < 13) << c.name << ": " << gap << " pixels from its label";
        EXPECT_TRUE(label->rect.top < c.rect.top + c.rect.height && c.rect.top < label->rect.top + label->rect.height)
            << c.name << " and its label are on different rows";
    }
}

// What only a mouse release on a control does has a key: Space and Enter on a
// control that otherwise takes no focus, the Menu key for a right-button release
// on one that does. The display's left release (the radix balloon of the
// selection) keeps to the mouse: its menu's 合并转10进制 works on the selection.
TEST_P(AllWindows, MouseOnlyBehavioursHaveAKey) {
    for (const BindingDef& b : w().bindings) {
        if (b.event != Event::LeftReleased && b.event != Event::RightReleased) continue;
        const ControlDef& c = Get(w(), b.control);
        const bool focusable = c.kind == Kind::Edit || c.kind == Kind::RichText || c.kind == Kind::ComboBox;
        if (!focusable) {
            EXPECT_EQ(c.keyPath, KeyPath::SpaceEnter) << c.name;
        } else if (b.event == Event::RightReleased) {
            EXPECT_EQ(c.keyPath, KeyPath::MenuKey) << c.name;
        }
    }
    for (const ControlDef& c : w().controls) {
        if (c.keyPath == KeyPath::None) continue;
        int releases = 0;
        for (const BindingDef& b : w().bindings)
            if (b.control == c.name &&
                (c.keyPath == KeyPath::MenuKey ? b.event == Event::RightReleased
                                               : b.event == Event::LeftReleased || b.event == Event::RightReleased))
                ++releases;
        EXPECT_EQ(releases, 1) << c.name << " has a key path to no single mouse release";
    }
}

TEST_P(AllWindows, RadioGroupsHaveExactlyOneCheckedAndSelectionsAreInRange) {
    std::map<Text, int> radiosPerParent, checkedPerParent;
    for (const ControlDef& c : w().controls) {
        if (c.kind == Kind::RadioButton) {
            ++radiosPerParent[c.parent];
            checkedPerParent[c.parent] += c.checked;
        }
        if (c.kind == Kind::ComboBox) {
            EXPECT_GE(c.selectedIndex, -1) << c.name;
            EXPECT_LT(c.selectedIndex, static_cast<int>(c.items.size())) << c.name;
        }
    }
    for (const auto& [parent, count] : radiosPerParent) {
        EXPECT_EQ(count, 2) << "radio pair in '" << parent << "'";
        EXPECT_EQ(checkedPerParent[parent], 1) << "radio pair in '" << parent << "'";
    }
}

TEST_P(AllWindows, EveryTextIsGbk) {
    EXPECT_TRUE(IsGbk(w().title));
    for (const ControlDef& c : w().controls) {
        EXPECT_TRUE(IsGbk(c.name) && IsGbk(c.text) && IsGbk(c.font.face)) << c.name;
        for (const Text& item : c.items) EXPECT_TRUE(IsGbk(item)) << c.name;
        for (const StatusPanelDef& p : c.panels) EXPECT_TRUE(IsGbk(p.text) && IsGbk(p.tooltip)) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Windows, AllWindows,
                         ::testing::Values(&MainWindowDef, &GeneratorWindowDef, &CalculatorWindowDef,
                                           &PortSettingsWindowDef, &CaptureWindowDef),
                         [](const auto& info) { return info.param().name; });

// Each window's list of control identifiers names exactly its controls, once
// each, with a class that accepts the control's kind.
TEST(ControlIds, EveryControlIsNamedOnceWithItsKind) {
    struct Case {
        const WindowDef& def;
        std::string_view windowName;
        std::span<const ControlIdEntry> ids;
    };
    for (const Case& w : {Case{MainWindowDef(), main::kWindowName, main::kAll},
                          Case{GeneratorWindowDef(), generator::kWindowName, generator::kAll},
                          Case{CalculatorWindowDef(), calculator::kWindowName, calculator::kAll},
                          Case{PortSettingsWindowDef(), port_settings::kWindowName, port_settings::kAll},
                          Case{CaptureWindowDef(), capture::kWindowName, capture::kAll}}) {
        EXPECT_EQ(w.def.name, w.windowName);
        std::set<std::string_view> named;
        for (const ControlIdEntry& id : w.ids) {
            EXPECT_TRUE(named.insert(id.name).second) << id.name << " named twice in " << w.def.name;
            const ControlDef* c = Find(w.def, id.name);
            ASSERT_NE(c, nullptr) << id.name << " is not a control of " << w.def.name;
            EXPECT_TRUE(id.accepts(c->kind)) << id.name << " has an identifier of another kind";
        }
        EXPECT_EQ(named.size(), w.def.controls.size()) << w.def.name << " has controls without an identifier";
    }
}

TEST(MainWindowDef, WindowOptionsAndSpotChecks) {
    const WindowDef& w = MainWindowDef();
    EXPECT_EQ(w.name, "main");
    EXPECT_EQ(w.title, "Vorta串口调试v2.35"_gbk);
    EXPECT_EQ(w.rect.width, 727);
    EXPECT_EQ(w.rect.height, 536);
    EXPECT_TRUE(w.resizable && w.minimiseButton && w.maximiseButton && w.dragMoves && w.centred && w.escCloses);

    const ControlDef& send = Get(w, "编辑框_发送"_gbk);
    EXPECT_EQ(send.kind, Kind::Edit);
    EXPECT_FALSE(send.multiLine);
    EXPECT_EQ(send.text, "01 03 10 00 00 25");
    EXPECT_EQ(send.textColour, 0x008000u);
    EXPECT_EQ(send.font.face, "宋体"_gbk);
    EXPECT_EQ(send.font.pixelHeight, 16);

    const ControlDef& baud = Get(w, "组合框_波特率"_gbk);
    EXPECT_EQ(baud.parent, "分组框1"_gbk);
    EXPECT_EQ(baud.items.at(baud.selectedIndex), "9600");
    // The first ten at the indexes stored files rely on, then the faster rates.
    ASSERT_EQ(baud.items.size(), 20u);
    EXPECT_EQ(baud.items.at(9), "115200");
    EXPECT_EQ(baud.items.at(10), "230400");
    EXPECT_EQ(baud.items.at(14), "921600");
    EXPECT_EQ(baud.items.back(), "4000000");
    EXPECT_EQ(Get(w, "组合框_端口"_gbk).items.size(), 16u);
    EXPECT_EQ(Get(w, "组合框_校验位"_gbk).items.at(3), "M 标志"_gbk);
    EXPECT_TRUE(Get(w, "组合框_毫秒"_gbk).editable);
    EXPECT_FALSE(Get(w, "组合框_波特率"_gbk).editable);

    const ControlDef& interval = Get(w, "编辑框1"_gbk);
    EXPECT_EQ(interval.parent, "分组框3"_gbk);
    EXPECT_EQ(interval.rect.left, 90);
    EXPECT_EQ(interval.rect.top, 141);
    EXPECT_TRUE(interval.centred);

    EXPECT_EQ(Get(w, "单选框_ASCII显示"_gbk).parent, "图片框3"_gbk);
    EXPECT_EQ(Get(w, "单选框_ASCII显示"_gbk).textColour, Rgb(128, 128, 128));
    EXPECT_EQ(Get(w, "窗口最前选择框"_gbk).textColour, 0xFF8800u);
    EXPECT_TRUE(Get(w, "CRC选择框"_gbk).checked);
    EXPECT_FALSE(Get(w, "选择框_自动换行"_gbk).checked);
    EXPECT_EQ(Get(w, "编辑框_循环"_gbk).text, "01 03 10 00 00 25\r\n01 03 00 64 00 08");
    EXPECT_EQ(Get(w, "按钮_自动发送"_gbk).parent, "图片框_分组"_gbk);
    EXPECT_EQ(Get(w, "分组框2"_gbk).rect.height, 61);  // the relayout sizes the display from it

    const ControlDef& status = Get(w, "状态条1"_gbk);
    ASSERT_EQ(status.panels.size(), 6u);
    EXPECT_EQ(status.panels[0].text, "RX:0");
    EXPECT_EQ(status.panels[1].tooltip, "发送字节数"_gbk);
    EXPECT_EQ(status.panels[2].width, 800);
    // The capture's and the file sending's panels come after, empty until used.
    EXPECT_TRUE(status.panels[2].fills);
    EXPECT_EQ(status.panels[3].text, "");
    EXPECT_EQ(status.panels[4].text, "");
    // Then the modem lines, empty while the port is closed. The three after the
    // vendor line take room only while they show something; the Parts' three always.
    EXPECT_EQ(status.panels[5].text, "");
    EXPECT_FALSE(status.panels[5].fills);
    for (std::size_t i = 0; i < status.panels.size(); ++i) EXPECT_EQ(status.panels[i].hiddenWhileEmpty, i >= 3) << i;

    EXPECT_EQ(Find(w, "标签"_gbk), nullptr);  // no hidden relay: the Enter key reaches the send operation directly
    EXPECT_EQ(Get(w, "时钟_换行"_gbk).kind, Kind::Timer);
    EXPECT_EQ(Find(w, "端口1"_gbk), nullptr);  // the serial channel belongs to the logic
}

TEST(MainWindowDef, MenuItemsInOrder) {
    const WindowDef& w = MainWindowDef();
    std::vector<Text> items;
    for (const ControlDef& c : w.controls)
        if (c.kind == Kind::MenuItem) {
            if (!c.text.empty()) {
                EXPECT_EQ(c.name, c.text);
            }
            items.push_back(c.text);
        }
    // The eight items of the display's menu, then after a separator the port settings, with their key.
    EXPECT_EQ(items,
              (std::vector<Text>{"合并转10进制"_gbk, "打开计算窗口"_gbk, "清空"_gbk, "删除"_gbk, "全选"_gbk, "剪切"_gbk,
                                 "复制"_gbk, "粘贴"_gbk, "", "端口设置…"_gbk, "捕获与发送文件…"_gbk}));
    EXPECT_EQ(Get(w, "端口设置…"_gbk).shortcut, "Ctrl+Shift+P");
    for (const ControlDef& c : w.controls)
        if (c.kind == Kind::MenuItem && c.name != "端口设置…"_gbk) {
            EXPECT_TRUE(c.shortcut.empty()) << c.name;
        }
}

TEST(GeneratorWindowDef, SpotChecks) {
    const WindowDef& w = GeneratorWindowDef();
    EXPECT_EQ(w.title, "批量发送数据生成窗口"_gbk);
    EXPECT_FALSE(w.resizable || w.minimiseButton || w.maximiseButton || w.dragMoves);
    EXPECT_EQ(Get(w, "标签_发送地址"_gbk).text, "发送地址："_gbk + Text(10, ' ') + "至"_gbk);
    for (const char* name : {"组合框_地址起"_gbk, "组合框_地址终"_gbk}) {
        EXPECT_TRUE(Get(w, name).editable);
        EXPECT_EQ(Get(w, name).maxLength, 3);
        EXPECT_TRUE(Get(w, name).items.empty());
    }
    EXPECT_FALSE(Get(w, "编辑框_自定义数据"_gbk).visible);
    EXPECT_EQ(Get(w, "组合框_路数"_gbk).selectedIndex, 2);
    EXPECT_EQ(Get(w, "按钮_关闭"_gbk).rect.top, 11);
    EXPECT_TRUE(Get(w, "编辑框1"_gbk).multiLine);
}

TEST(CalculatorWindowDef, SpotChecks) {
    const WindowDef& w = CalculatorWindowDef();
    EXPECT_EQ(w.title, "");
    EXPECT_EQ(w.rect.width, 518);
    EXPECT_EQ(w.rect.height, 248);
    EXPECT_FALSE(w.resizable || w.maximiseButton);
    EXPECT_EQ(Get(w, "组合框_4"_gbk).rect.top, 23);
    EXPECT_EQ(Get(w, "组合框_8"_gbk).rect.left, 438);
    EXPECT_EQ(Get(w, "组合框_7"_gbk).tag, "7");
    EXPECT_EQ(Get(w, "编辑框164"_gbk).rect.top, 48);
    EXPECT_EQ(Get(w, "标签5"_gbk).rect.width, 1);
    EXPECT_TRUE(Get(w, "编辑框6"_gbk).multiLine && !Get(w, "编辑框6"_gbk).vScroll);
    EXPECT_EQ(Get(w, "编辑框6"_gbk).text, "-100000000\r\n+100000000\r\n*100000000\r\n/100000000");
    EXPECT_EQ(Get(w, "选择框3"_gbk).rect.left, 299);
}

}  // namespace
}  // namespace vorta::ui
