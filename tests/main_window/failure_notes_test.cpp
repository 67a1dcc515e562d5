// Options that cannot be saved: one note per cause at the display's end, in
// the note format, and none for what the user arranged on purpose.
#include "main_window/failure_notes.h"

#include <sys/stat.h>

#include <filesystem>

#include "store/settings_file.h"
#include "support/main_window_fixture.h"
#include "ui/windows/control_ids.h"
#include "codec/gbk_literal.h"

using namespace vorta::ui::main;

namespace vorta::main_window {
namespace {

using store::WriteCause;
using store::WriteResult;

TEST(FailureNotes, EachCauseIsSaidOnceAndWhatWasMeantNever) {
    std::vector<ui::Text> said;
    FailureNotes notes;
    notes.setSink([&](const ui::Text& note) {
        said.push_back(note);
        return true;
    });
    const WriteResult results[] = {
        {WriteCause::Written},     {WriteCause::Declined},      {WriteCause::DiskFull},
        {WriteCause::DiskFull},    {WriteCause::FolderMissing}, {WriteCause::Declined},
        {WriteCause::Failed, EIO}, {WriteCause::Failed, EPERM}, {WriteCause::DiskFull},
    };
    for (const WriteResult& r : results) notes.report(r);
    notes.enterKeyNotTaken();
    notes.enterKeyNotTaken();
    EXPECT_EQ(said, (std::vector<ui::Text>{"  → 设置未能保存！磁盘已满。\r\n"_gbk,
                                           "  → 设置未能保存！文件夹已不存在。\r\n"_gbk,
                                           "  → 设置未能保存！写入出错（错误 5）。\r\n"_gbk,
                                           "  → 回车键已被其他程序占用，按回车键发送无效。\r\n"_gbk}));
}

TEST(FailureNotes, ANoteWithNowhereToGoIsSaidWhenItCanBe) {
    std::vector<ui::Text> said;
    bool shown = false;
    FailureNotes notes;
    notes.report({WriteCause::DiskFull});  // no sink yet
    notes.setSink([&](const ui::Text& note) {
        if (shown) said.push_back(note);
        return shown;
    });
    notes.report({WriteCause::DiskFull});
    shown = true;
    notes.report({WriteCause::DiskFull});
    notes.report({WriteCause::DiskFull});
    EXPECT_EQ(said, std::vector<ui::Text>{"  → 设置未能保存！磁盘已满。\r\n"_gbk});
}

// The program's main window: a settings folder that vanished while it ran.
class SaveFailureTest : public test::MainWindowFixture {
protected:
    void SetUp() override {
        start();
        c(kDisplay).setText("");
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::rename(moved(), tmp.path(), ignored);
    }
    std::filesystem::path moved() const { return tmp.path().string() + "-moved"; }
};

TEST_F(SaveFailureTest, AVanishedFolderIsNotedOnceInGreyAndTheProgramGoesOn) {
    std::filesystem::rename(tmp.path(), moved());
    model.userSelectItem(c(kBaud), 9);
    model.userClick(c(kAutoLineBreak));
    model.userEditText(c(kLineBreakInterval), "80");
    const ui::Text note = "  → 设置未能保存！文件夹已不存在。\r\n"_gbk;
    EXPECT_EQ(display(), note);
    EXPECT_EQ(c(kDisplay).rich().formatAt(ui::BytePos(0)), state.noteFormat);
    EXPECT_EQ(state.lineBreakInterval, 80);  // the option holds for this run
    EXPECT_EQ(c(kBaud).text(), "115200");

    // Closing fails for the same reason: nothing more is said.
    main->close();
    EXPECT_EQ(c(kDisplay).text(), note);
}

TEST_F(SaveFailureTest, AFileMadeReadOnlyOnPurposeStaysSilent) {
    model.userSelectItem(c(kBaud), 3);
    const std::string ini = tmp.slash() + "peizhi.ini";
    ASSERT_EQ(::chmod(ini.c_str(), 0444), 0);
    model.userSelectItem(c(kBaud), 9);
    model.userClick(c(kCrcReversed));
    main->close();
    EXPECT_EQ(display(), "");
    EXPECT_EQ(store::ReadSetting(ini, "端口"_gbk, "波特率"_gbk), "3");
}

}  // namespace
}  // namespace vorta::main_window
