#include "capture/capture_feature.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <fstream>
#include <sstream>

#include "capture/capture_record.h"
#include "capture/fake_disk.h"
#include "store/settings_file.h"
#include "support/main_window_fixture.h"
#include "ui/windows/action_ids.h"
#include "codec/gbk_literal.h"

namespace vorta::capture {
namespace {

namespace ids = ui::capture;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class CaptureFeatureTest : public test::MainWindowFixture {
protected:
    CaptureFeatureTest() {
        start();
        feature.attach(*main);
        model.userMenuSelect(c(ui::main::kCaptureWindowItem));
        window = model.window(ids::kWindowName);
    }
    ui::Window& w() { return *window; }
    void startCapture(const std::string& path) {
        w()[ids::kCaptureFile].setText(path);
        model.userClick(w()[ids::kCaptureStartStop]);
    }

    std::string written;
    bool onFakeDisk = false;  // files in memory, from the next start on
    std::shared_ptr<fakes::FakeDisk> disk = std::make_shared<fakes::FakeDisk>();
    CaptureFeature feature{model, state,
                           [this](std::string_view bytes) {
                               written += bytes;
                               return bytes.size();
                           },
                           [this]() -> std::unique_ptr<FileSink> {
                               if (onFakeDisk) return std::make_unique<fakes::FakeFile>(disk);
                               return DiskFile();
                           }};
    ui::Window* window = nullptr;
};

TEST_F(CaptureFeatureTest, BothDirectionsGoIntoTheFileWithTheirTimes) {
    ASSERT_NE(window, nullptr);
    const std::string path = tmp.file("cap.bin");
    startCapture(path);
    EXPECT_TRUE(feature.capturing());
    EXPECT_EQ(w()[ids::kCaptureStartStop].text(), "停止捕获"_gbk);
    EXPECT_EQ(panel(CaptureFeature::kCapturePanel), "捕获 0 KB"_gbk);
    feature.received(std::string("\x01\x03\x02", 3), 100);
    feature.sent("AB", 200);
    feature.received(std::string("\x00", 1), 300);
    model.userClick(w()[ids::kCaptureStartStop]);
    EXPECT_FALSE(feature.capturing());
    EXPECT_EQ(panel(CaptureFeature::kCapturePanel), "");
    EXPECT_EQ(display(), "  → 捕获开始："_gbk + path + "\r\n  → 捕获已停止："_gbk + path + "\r\n");

    const ParsedFile parsed = ParseCapture(ReadFile(path));
    EXPECT_EQ(parsed.records, (std::vector<Record>{{Direction::Received, 100, std::string("\x01\x03\x02", 3)},
                                                   {Direction::Sent, 200, "AB"},
                                                   {Direction::Received, 300, std::string("\x00", 1)}}));
    feature.received("after", 400);  // not captured any more
    EXPECT_EQ(ParseCapture(ReadFile(path)).records.size(), 3u);
}

TEST_F(CaptureFeatureTest, AFileThatCannotBeWrittenIsNotedAndNothingStarts) {
    startCapture(tmp.file("missing/cap.bin"));
    EXPECT_FALSE(feature.capturing());
    EXPECT_EQ(w()[ids::kCaptureStartStop].text(), "开始捕获"_gbk);
    EXPECT_EQ(display(), "  → 捕获未能开始：无法写入 "_gbk + tmp.file("missing/cap.bin") +
                             "（No such file or directory）。\r\n"_gbk);
}

TEST_F(CaptureFeatureTest, ADiskThatFillsUpEndsTheCaptureWithANote) {
    const std::string path = tmp.file("cap.bin");
    startCapture(path);
    ASSERT_TRUE(feature.capturing());
    // The process may write no file past 4 KB from here: as a full disk does, the write fails (EFBIG).
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{4096, RLIM_INFINITY};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    for (int i = 0; i < 10; ++i) feature.received(std::string(1000, char('0' + i)), i);
    ASSERT_TRUE(loop.runUntilReal([&] { return !feature.capturing(); }, std::chrono::seconds(5)));
    limit.rlim_cur = RLIM_INFINITY;
    setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_NE(
        display().find("  → 捕获已停止：写入 "_gbk + path + " 失败（File too large），文件保留到出错之前。\r\n"_gbk),
        std::string::npos)
        << display();
    EXPECT_EQ(w()[ids::kCaptureStartStop].text(), "开始捕获"_gbk);
    EXPECT_EQ(panel(CaptureFeature::kCapturePanel), "");
    // What did fit is whole records.
    const ParsedFile parsed = ParseCapture(ReadFile(path));
    EXPECT_TRUE(parsed.magicOk);
    for (const Record& r : parsed.records) EXPECT_EQ(r.bytes.size(), 1000u);
}

TEST_F(CaptureFeatureTest, OptionsAreWrittenAtOnceAndComeBack) {
    w()[ids::kCaptureFile].setText("/m/c.bin");
    w()[ids::kRotateMegabytes].setText("10");
    w()[ids::kSendFile].setText("/m/frames.txt");
    model.userClick(w()[ids::kTimestamps]);
    EXPECT_TRUE(state.timestamps);
    model.userClick(w()[ids::kHexWithText]);
    EXPECT_TRUE(c(ui::main::kDisplay).textBesideHex());  // a view option: the store is the same
    const std::pair<const char*, const char*> stored[] = {{"文件"_gbk, "/m/c.bin"},
                                                          {"分割MB"_gbk, "10"},
                                                          {"发送文件"_gbk, "/m/frames.txt"},
                                                          {"时间戳"_gbk, "真"_gbk},
                                                          {"旁显文本"_gbk, "真"_gbk}};
    for (const auto& [key, value] : stored)
        EXPECT_EQ(store::ReadSetting(state.settingsPath, "捕获"_gbk, key), value) << key;

    window->close();
    model.userMenuSelect(c(ui::main::kCaptureWindowItem));
    ui::Window& again = *model.window(ids::kWindowName);
    EXPECT_EQ(again[ids::kCaptureFile].text(), "/m/c.bin");
    EXPECT_EQ(again[ids::kRotateMegabytes].text(), "10");
    EXPECT_EQ(again[ids::kSendFile].text(), "/m/frames.txt");
    EXPECT_TRUE(again[ids::kTimestamps].checked());
    EXPECT_TRUE(again[ids::kHexWithText].checked());
}

// With 显示文本 the display's text, as the program writes it from the start on,
// goes beside the capture file; the option is written at once and comes back.
TEST_F(CaptureFeatureTest, TheDisplaysTextGoesBesideTheCaptureFile) {
    model.userClick(w()[ids::kShownText]);
    EXPECT_EQ(store::ReadSetting(state.settingsPath, "捕获"_gbk, "显示文本"_gbk), "真"_gbk);
    const std::string path = tmp.file("cap.bin");
    startCapture(path);
    ui::RichTextBox& display = c(ui::main::kDisplay);
    display.append("01 02 ", state.receivedFormat);
    display.append("\r\n", state.receivedFormat);
    display.append("AB\n", state.sentFormat);
    model.userClick(w()[ids::kCaptureStartStop]);
    display.append("after the capture\r\n");
    EXPECT_EQ(ReadFile(path + ".txt"), "  → 捕获开始："_gbk + path + "\r\n01 02 \r\nAB\r\n");

    window->close();
    model.userMenuSelect(c(ui::main::kCaptureWindowItem));
    EXPECT_TRUE((*model.window(ids::kWindowName))[ids::kShownText].checked());
}

// 浏览… fills the field from the file dialog (saved as typing is); a cancelled dialog changes nothing.
TEST_F(CaptureFeatureTest, BrowseFillsTheFieldFromTheFileDialog) {
    w()[ids::kCaptureFile].setText("/data/old.bin");
    view.saveAnswer = std::nullopt;
    model.userClick(w()[ids::kBrowseCaptureFile]);
    EXPECT_EQ(w()[ids::kCaptureFile].text(), "/data/old.bin");
    view.saveAnswer = "/data/新.bin"_gbk;
    model.userClick(w()[ids::kBrowseCaptureFile]);
    EXPECT_EQ(w()[ids::kCaptureFile].text(), "/data/新.bin"_gbk);
    EXPECT_EQ(store::ReadSetting(state.settingsPath, "捕获"_gbk, "文件"_gbk), "/data/新.bin"_gbk);
    ASSERT_EQ(view.saveFilters.size(), 2u);
    EXPECT_NE(view.saveFilters.back().find("*.bin"), std::string::npos);

    w()[ids::kSendFile].setText("/frames/old.txt");
    view.openAnswer = "/frames/poll.txt";
    model.userClick(w()[ids::kBrowseSendFile]);
    ASSERT_EQ(view.openDialogs.size(), 1u);
    EXPECT_EQ(view.openDialogs[0].second, "/frames");  // it opens where the field points
    EXPECT_EQ(w()[ids::kSendFile].text(), "/frames/poll.txt");
    EXPECT_EQ(store::ReadSetting(state.settingsPath, "捕获"_gbk, "发送文件"_gbk), "/frames/poll.txt");
}

// Received bytes piling up before a disk that stopped answering end the capture
// with a note, rather than holding the UI thread.
TEST_F(CaptureFeatureTest, ADiskThatStopsAnsweringEndsTheCaptureWithANote) {
    ASSERT_NE(window, nullptr);
    onFakeDisk = true;
    disk->writesBeforeHang = 1;  // the header only
    w()[ids::kCaptureFile].setText("/m/cap.bin");
    model.userClick(w()[ids::kCaptureStartStop]);
    ASSERT_TRUE(feature.capturing());
    const std::string chunk(64 * 1024, 'x');
    for (int i = 0; i < 40 && feature.capturing(); ++i) {
        feature.received(chunk, i);
        loop.runPending();
    }
    EXPECT_FALSE(feature.capturing());
    EXPECT_NE(display().find(
                  "  → 捕获已停止：写入 /m/cap.bin 失败（磁盘 3 秒没有写入任何数据），文件保留到出错之前。\r\n"_gbk),
              std::string::npos)
        << display();
    EXPECT_EQ(w()[ids::kCaptureStartStop].text(), "开始捕获"_gbk);
    EXPECT_EQ(panel(CaptureFeature::kCapturePanel), "");
    EXPECT_EQ(disk->file("/m/cap.bin"), kFileMagic);
    disk->release();
}

}  // namespace
}  // namespace vorta::capture
