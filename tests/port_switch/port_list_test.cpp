// The port list following ports that come and go: a fake sysfs and /dev with
// a ports folder of links to real pseudo-terminals, watched for real.
#include "port_switch/port_list.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "base/virtual_loop.h"
#include "codec/gbk_literal.h"
#include "support/fakes.h"
#include "support/pty_pair.h"
#include "support/temp_dir.h"
#include "ui/windows/control_ids.h"
#include "ui/windows/window_defs.h"

namespace vorta::port_switch {
namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using serial::PortInfo;

PortInfo Port(int number, const std::string& device) { return {"COM" + std::to_string(number), number, device, true}; }

TEST(MergeSelected, KeepsTheChosenPortAndMarksItWhenItHasGone) {
    const std::vector<PortInfo> now = {Port(1, "/dev/ttyS0"), Port(3, "/a"), Port(3, "/b"), Port(100, "/dev/ttyUSB0")};
    struct Case {
        const char* what;
        std::vector<PortInfo> now;
        std::optional<ListedPort> selected;
        int index;
        std::vector<std::string> names;
        int missingAt;  // -1: none
    } cases[] = {
        {"nothing selected", now, std::nullopt, -1, {"COM1", "COM3", "COM3", "COM100"}, -1},
        {"still there", now, ListedPort{Port(100, "/dev/ttyUSB0")}, 3, {"COM1", "COM3", "COM3", "COM100"}, -1},
        {"the second of two", now, ListedPort{Port(3, "/b")}, 2, {"COM1", "COM3", "COM3", "COM100"}, -1},
        {"same number, other device", now, ListedPort{Port(3, "/c")}, 1, {"COM1", "COM3", "COM3", "COM100"}, -1},
        {"gone, kept in order",
         now,
         ListedPort{Port(7, "/dev/ttyS6")},
         3,
         {"COM1", "COM3", "COM3", "COM7", "COM100"},
         3},
        {"gone from an empty list", {}, ListedPort{Port(5, "/x")}, 0, {"COM5"}, 0},
        {"gone, last", now, ListedPort{Port(900, "/p")}, 4, {"COM1", "COM3", "COM3", "COM100", "COM900"}, 4},
    };
    for (const Case& c : cases) {
        std::vector<ListedPort> result{{Port(42, "stale")}};
        EXPECT_EQ(MergeSelected(c.now, c.selected ? &*c.selected : nullptr, result), c.index) << c.what;
        std::vector<std::string> names;
        int missingAt = -1;
        for (std::size_t i = 0; i < result.size(); ++i) {
            names.push_back(result[i].info.name);
            if (result[i].missing) missingAt = int(i);
        }
        EXPECT_EQ(names, c.names) << c.what;
        EXPECT_EQ(missingAt, c.missingAt) << c.what;
    }
}

TEST(PortNote, SaysWhatThePortIsAndWhenItHasGone) {
    PortInfo demo = Port(900, "/tmp/pts");
    demo.description = reinterpret_cast<const char*>(u8"演示设备");
    PortInfo locked = Port(100, "/dev/ttyUSB0");
    locked.accessible = false;
    EXPECT_EQ(NoteFor({demo}), "演示设备  /tmp/pts"_gbk);
    EXPECT_EQ(NoteFor({demo, true}), "已移除  演示设备  /tmp/pts"_gbk);
    EXPECT_EQ(NoteFor({locked}), "/dev/ttyUSB0  无读写权限（需加入 dialout 组）"_gbk);
    EXPECT_EQ(NoteFor({locked, true}), "已移除  /dev/ttyUSB0"_gbk);
}

class PortListTest : public ::testing::Test {
protected:
    void SetUp() override {
        roots_.sysClassTty = tmp_.path() / "sys/class/tty";
        roots_.dev = tmp_.path() / "dev";
        roots_.sysDevChar = tmp_.path() / "sys/dev/char";
        roots_.portsFolder = tmp_.path() / "settings/ports";
        for (const fs::path& p : {roots_.sysClassTty, roots_.dev, roots_.sysDevChar, roots_.portsFolder})
            fs::create_directories(p);
    }
    void TearDown() override {
        list_.reset();
        if (main_) main_->close();
    }

    // A serial-core UART: its sysfs entry with a driver, and its node.
    void uart(const std::string& name) {
        const fs::path device = tmp_.path() / "sys/devices" / name;
        fs::create_directories(device / "driver");
        fs::create_directories(roots_.sysClassTty / name);
        fs::create_directory_symlink(device, roots_.sysClassTty / name / "device");
        std::ofstream(roots_.sysClassTty / name / "type") << "4\n";
        std::ofstream(roots_.dev / name) << "";
    }
    // COM<n> in the ports folder, leading to a pseudo-terminal of its own.
    test::PtyPair& link(int number) {
        ptys_.push_back(std::make_unique<test::PtyPair>());
        fs::create_symlink(ptys_.back()->path(), roots_.portsFolder / ("COM" + std::to_string(number)));
        return *ptys_.back();
    }
    void unlink(int number) { fs::remove(roots_.portsFolder / ("COM" + std::to_string(number))); }

    void start() {
        list_ = std::make_unique<PortList>(loop_, [this] { return roots_; });
        main_ = model_.openWindow(ui::MainWindowDef());
        std::vector<ui::Text> names;
        ASSERT_TRUE(list_->discover(names));
        box().clearItems();
        for (const ui::Text& name : names) box().addItem(name);
        box().setSelectedIndex(0);
        list_->attach(*main_, [this](int index) { saved_.push_back(index); });
    }
    ui::ComboBox& box() { return (*main_)[ui::main::kPort]; }
    std::vector<ui::Text> items() { return box().items(); }
    // Runs the loop until the box shows `expected`; what the watcher posts arrives on its own.
    bool shows(const std::vector<ui::Text>& expected) {
        return loop_.runUntilReal([&] { return items() == expected; }, 3s);
    }

    test::TempDir tmp_;
    serial::DiscoveryRoots roots_;
    base::VirtualLoop loop_;
    ui::Model model_{loop_, {1280, 1024}};
    test::NoOpActions noOps_{model_, ui::MainWindowDef()};
    std::unique_ptr<PortList> list_;
    ui::Window* main_ = nullptr;
    std::vector<std::unique_ptr<test::PtyPair>> ptys_;
    std::vector<int> saved_;
};

TEST_F(PortListTest, ALinkMadeOrRemovedWhileRunningComesAndGoesWithoutARestart) {
    uart("ttyS0");
    start();
    ASSERT_EQ(items(), std::vector<ui::Text>{"COM1"});
    link(5);
    ASSERT_TRUE(shows({"COM1", "COM5"}));
    EXPECT_EQ(box().itemNotes().at(1), ui::Text(ptys_.back()->path()));
    EXPECT_EQ(box().selectedIndex(), 0);
    unlink(5);
    ASSERT_TRUE(shows({"COM1"}));
    EXPECT_EQ(box().selectedIndex(), 0);
    EXPECT_TRUE(saved_.empty());  // COM1 never moved
}

TEST_F(PortListTest, TheSelectionStaysOnItsPortAndTheStoredIndexFollowsIt) {
    link(7);
    start();
    ASSERT_EQ(box().text(), "COM7");
    link(3);
    ASSERT_TRUE(shows({"COM3", "COM7"}));
    EXPECT_EQ(box().text(), "COM7");
    EXPECT_EQ(saved_, std::vector<int>{1});
    uart("ttyS1");  // a UART node appears in /dev: COM2
    ASSERT_TRUE(shows({"COM2", "COM3", "COM7"}));
    EXPECT_EQ(box().text(), "COM7");
    EXPECT_EQ(saved_, (std::vector<int>{1, 2}));
}

TEST_F(PortListTest, ASelectedPortThatGoesStaysSelectedAsMissingUntilItComesBack) {
    link(2);
    link(9);
    start();
    box().setSelectedIndex(1);
    ASSERT_EQ(box().text(), "COM9");
    const std::string device = ptys_.back()->path();
    unlink(9);
    ASSERT_TRUE(loop_.runUntilReal([&] { return box().itemNotes().at(1).starts_with("已移除"_gbk); }, 3s));
    EXPECT_EQ(items(), (std::vector<ui::Text>{"COM2", "COM9"}));
    EXPECT_EQ(box().text(), "COM9");
    // The folder's number stays the folder's while it is missing: it resolves to nothing.
    EXPECT_EQ(serial::ResolvePort(roots_, list_->listed(), 9), "");
    fs::create_symlink(device, roots_.portsFolder / "COM9");
    ASSERT_TRUE(loop_.runUntilReal([&] { return box().itemNotes().at(1) == device; }, 3s));
    EXPECT_EQ(box().text(), "COM9");
    EXPECT_TRUE(saved_.empty());
}

TEST_F(PortListTest, APseudoTerminalClosedByItsFarEndLeavesTheList) {
    link(4);
    link(6);
    start();
    ASSERT_EQ(items(), (std::vector<ui::Text>{"COM4", "COM6"}));
    ptys_.back().reset();  // both ends closed: /dev/pts loses the node, the link dangles
    ASSERT_TRUE(shows({"COM4"}));
    EXPECT_EQ(box().text(), "COM4");
}

TEST_F(PortListTest, TheFirstPortOfAnEmptyListIsSelected) {
    start();
    ASSERT_TRUE(items().empty());
    ASSERT_EQ(box().selectedIndex(), -1);
    link(11);
    ASSERT_TRUE(shows({"COM11"}));
    EXPECT_EQ(box().text(), "COM11");
}

}  // namespace
}  // namespace vorta::port_switch
