#include "store/settings_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "store/atomic_file.h"
#include "store/ini_document.h"
#include "support/temp_dir.h"
#include "codec/gbk_literal.h"

namespace vorta::store {
namespace {

namespace fs = std::filesystem;

class SettingsFileTest : public ::testing::Test {
protected:
    // Puts raw bytes on disk, as another program would have written them.
    void put(const std::string& bytes) { std::ofstream(ini_, std::ios::binary) << bytes; }
    std::string get() const { return ReadWholeFile(ini_); }
    std::vector<std::string> filesInDir() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_.path())) names.push_back(entry.path().filename().string());
        return names;
    }

    test::TempDir dir_;
    std::string ini_ = dir_.file("peizhi.ini");
};

// ---------------------------------------------------------------- reading

TEST_F(SettingsFileTest, EmptyNamesGiveEmptyTextEvenWithADefault) {
    put("[端口]\r\ncom=3\r\n"_gbk);
    EXPECT_EQ(ReadSetting(ini_, "", "com", "7"), "");
    EXPECT_EQ(ReadSetting(ini_, "端口"_gbk, "", "7"), "");
    EXPECT_EQ(ReadSetting("", "端口"_gbk, "com", "7"), "");
    // Only blanks and control characters count as empty too.
    EXPECT_EQ(ReadSetting(ini_, " \t\x01", "com", "7"), "");
    EXPECT_EQ(ReadSetting(ini_, "端口"_gbk, "  ", "7"), "");
    // Leading blanks of the names themselves are skipped.
    EXPECT_EQ(ReadSetting(ini_, "  端口"_gbk, "\tcom", "7"), "3");
    EXPECT_EQ(ReadSetting("  " + ini_, "端口"_gbk, "com", "7"), "3");
}

TEST_F(SettingsFileTest, MissingFileSectionOrKeyGivesTheDefault) {
    EXPECT_EQ(ReadSetting(ini_, "端口"_gbk, "com", "0"), "0");
    EXPECT_EQ(ReadSetting(ini_, "位置"_gbk, "DB"), "");
    put("[端口]\r\ncom=3\r\n[大小]\r\nKD=700\r\n"_gbk);
    EXPECT_EQ(ReadSetting(ini_, "端口"_gbk, "KD", "600"), "600");  // key of another section
    EXPECT_EQ(ReadSetting(ini_, "MoKuai", "毫秒"_gbk, "3"), "3");
    EXPECT_EQ(ReadSetting(ini_, "大小"_gbk, "KD", "600"), "700");
}

TEST_F(SettingsFileTest, BlanksAroundTheValueAndOnePairOfQuotesAreRemoved) {
    put("[换行]\r\n"_gbk
        "是否换行=  真  \r\n"_gbk
        "a=\"  x y \"\r\n"
        "b='q'\r\n"
        "c=\"abc\r\n"
        "d=\"\r\n"
        "e=\"\"\r\n"
        "f=\"\"x\"\"\r\n"
        "g=\"a'\r\n"
        "  spaced key   =\t v \r\n");
    EXPECT_EQ(ReadSetting(ini_, "换行"_gbk, "是否换行"_gbk), "真"_gbk);
    EXPECT_EQ(ReadSetting(ini_, "换行"_gbk, "a"), "  x y ");
    EXPECT_EQ(ReadSetting(ini_, "换行"_gbk, "b"), "q");
    EXPECT_EQ(ReadSetting(ini_, "换行"_gbk, "c"), "\"abc");
    EXPECT_EQ(ReadSetting(ini_, "换行"_gbk, "d"), "\"");
    EXPECT_EQ(ReadSetting(ini_, "换行"_gbk, "e", "dflt"), "");
    EXPECT_EQ(ReadSetting(ini_, "换行"_gbk, "f"), "\"x\"");
    EXPECT_EQ(ReadSetting(ini_, "换行"_gbk, "g"), "\"a'");
    EXPECT_EQ(ReadSetting(ini_, "换行"_gbk, "spaced key"), "v");
}

TEST_F(SettingsFileTest, NamesMatchWithoutAsciiCaseButChineseCharactersStayDistinct) {
    // 丄 is 81 41 and 乤 is 81 61: their trail bytes are 'A' and 'a'.
    put("[MoKuai]\r\nKD=5\r\n丄=upper\r\n"_gbk);
    EXPECT_EQ(ReadSetting(ini_, "mokuai", "kd"), "5");
    EXPECT_EQ(ReadSetting(ini_, "MOKUAI", "Kd"), "5");
    EXPECT_EQ(ReadSetting(ini_, "MoKuai", "丄"_gbk), "upper");
    EXPECT_EQ(ReadSetting(ini_, "MoKuai", "乤"_gbk, "none"), "none");
}

TEST_F(SettingsFileTest, ReadsAGbkFileWithCrlfOrLfLineEnds) {
    const std::string windowsFile =
        "[端口]\r\ncom=3\r\n波特率=7\r\n校验位=0\r\n"_gbk
        "[发送]\r\n单数据=01 03 10 00 00 25\r\n"_gbk
        "[16进制数据]\r\n数据1=+1000#-1000\r\n"_gbk;
    put(windowsFile);
    EXPECT_EQ(ReadSetting(ini_, "端口"_gbk, "波特率"_gbk, "5"), "7");
    EXPECT_EQ(ReadSetting(ini_, "发送"_gbk, "单数据"_gbk), "01 03 10 00 00 25");
    EXPECT_EQ(ReadSetting(ini_, "16进制数据"_gbk, "数据1"_gbk), "+1000#-1000");

    put("[端口]\ncom=4\n波特率=8"_gbk);  // LF only, no line end after the last line
    EXPECT_EQ(ReadSetting(ini_, "端口"_gbk, "com"), "4");
    EXPECT_EQ(ReadSetting(ini_, "端口"_gbk, "波特率"_gbk), "8");
}

TEST_F(SettingsFileTest, OnlyTheFirstSectionAndKeyOfAName) {
    put("[a]\r\nk=1\r\nk=2\r\n[A]\r\nk=3\r\nj=4\r\n");
    EXPECT_EQ(ReadSetting(ini_, "a", "k"), "1");
    EXPECT_EQ(ReadSetting(ini_, "a", "j", "none"), "none");
}

TEST_F(SettingsFileTest, AValueIsCutToTheBufferWithoutSplittingACharacter) {
    const std::string longValue(12000, 'x');
    const std::string exact(kMaxSettingLength, 'y');
    const std::string splitting = std::string(kMaxSettingLength - 1, 'z') + "真"_gbk;
    put("[s]\r\nlong=" + longValue + "\r\nexact=" + exact + "\r\nsplit=" + splitting + "\r\n");
    EXPECT_EQ(ReadSetting(ini_, "s", "long"), longValue.substr(0, kMaxSettingLength));
    EXPECT_EQ(ReadSetting(ini_, "s", "exact"), exact);
    EXPECT_EQ(ReadSetting(ini_, "s", "split"), std::string(kMaxSettingLength - 1, 'z'));
    EXPECT_EQ(ReadSetting(ini_, "s", "missing", longValue).size(), kMaxSettingLength);
}

// ---------------------------------------------------------------- writing

TEST_F(SettingsFileTest, WritingCreatesFileAndSectionInWindowsForm) {
    ASSERT_TRUE(WriteSetting(ini_, "端口"_gbk, "com", "2"));
    EXPECT_EQ(get(), "[端口]\r\ncom=2\r\n"_gbk);
    ASSERT_TRUE(WriteSetting(ini_, "大小"_gbk, "KD", "600"));
    ASSERT_TRUE(WriteSetting(ini_, "端口"_gbk, "波特率"_gbk, "5"));
    EXPECT_EQ(get(), "[端口]\r\ncom=2\r\n波特率=5\r\n[大小]\r\nKD=600\r\n"_gbk);
    EXPECT_EQ(ReadSetting(ini_, "端口"_gbk, "波特率"_gbk), "5");
    EXPECT_EQ((fs::status(ini_).permissions() & fs::perms::all), fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(SettingsFileTest, WritingKeepsOtherLinesCommentsAndOrder) {
    put("; written by hand\n[端口]\nCOM = 1\n\n[发送]\n单数据=01 02\n; end\n\n[换行]\n是否换行=假\n"_gbk);
    ASSERT_TRUE(WriteSetting(ini_, "端口"_gbk, "com", "4"));       // replaced in place, own spelling kept
    ASSERT_TRUE(WriteSetting(ini_, "发送"_gbk, "新"_gbk, "x y"));  // after the last filled line
    ASSERT_TRUE(WriteSetting(ini_, "换行"_gbk, "是否换行"_gbk, "真"_gbk));
    EXPECT_EQ(get(),
              "; written by hand\r\n[端口]\r\nCOM=4\r\n\r\n[发送]\r\n单数据=01 02\r\n; end\r\n新=x y\r\n\r\n"_gbk
              "[换行]\r\n是否换行=真\r\n"_gbk);
}

TEST_F(SettingsFileTest, OmittedValueDeletesTheKeyAndOmittedKeyTheSection) {
    put("[端口]\r\ncom=1\r\n波特率=5\r\n[大小]\r\nKD=600\r\nGD=536\r\n[端口]\r\ncom=9\r\n"_gbk);
    ASSERT_TRUE(WriteSetting(ini_, "端口"_gbk, "COM", std::nullopt));
    EXPECT_EQ(get(), "[端口]\r\n波特率=5\r\n[大小]\r\nKD=600\r\nGD=536\r\n[端口]\r\n"_gbk);
    EXPECT_EQ(ReadSetting(ini_, "端口"_gbk, "com", "0"), "0");  // no older copy resurfaces

    ASSERT_TRUE(WriteSetting(ini_, "端口"_gbk, std::nullopt, std::nullopt));
    EXPECT_EQ(get(), "[大小]\r\nKD=600\r\nGD=536\r\n"_gbk);
    EXPECT_EQ(ReadSetting(ini_, "端口"_gbk, "波特率"_gbk, "5"), "5");

    // Deleting from a file that does not exist creates nothing.
    const std::string other = dir_.file("other.ini");
    EXPECT_TRUE(WriteSetting(other, "端口"_gbk, "com", std::nullopt));
    EXPECT_FALSE(fs::exists(other));
}

TEST_F(SettingsFileTest, NamesAndValuesThatWouldBreakTheFileAreRefused) {
    put("[端口]\r\ncom=1\r\n"_gbk);
    EXPECT_FALSE(WriteSetting(ini_, "端口"_gbk, "com", "1\r\n[大小]\r\nKD=1"_gbk));
    EXPECT_FALSE(WriteSetting(ini_, "端口"_gbk, "a=b", "1"));
    EXPECT_FALSE(WriteSetting(ini_, "端口"_gbk, "[x]", "1"));
    EXPECT_FALSE(WriteSetting(ini_, "端\n口"_gbk, "com", "1"));
    EXPECT_FALSE(WriteSetting(ini_, "", "com", "1"));
    EXPECT_FALSE(WriteSetting(ini_, "端口"_gbk, "  ", "1"));
    EXPECT_EQ(get(), "[端口]\r\ncom=1\r\n"_gbk);
    // A value with blanks and quotes is stored as given and read back the profile way.
    ASSERT_TRUE(WriteSetting(ini_, "端口"_gbk, "com", " \"5\" "));
    EXPECT_EQ(ReadSetting(ini_, "端口"_gbk, "com"), "5");
}

TEST_F(SettingsFileTest, WholeFileRoundTripsBytesAndMissingFileReadsEmpty) {
    const std::string list = dir_.file("list.bat");
    EXPECT_EQ(ReadWholeFile(list), "");
    const std::string bytes("01 03 10 00 00 25\r\n01 03 00 64 00 08\0tail", 40);
    ASSERT_TRUE(WriteWholeFile(list, bytes));
    EXPECT_EQ(ReadWholeFile(list), bytes);
    ASSERT_TRUE(WriteWholeFile(list, ""));
    EXPECT_EQ(ReadWholeFile(list), "");
    EXPECT_TRUE(fs::exists(list));
}

// ---------------------------------------------------------------- no data lost

TEST_F(SettingsFileTest, AKillBetweenWriteAndRenameLeavesThePreviousFile) {
    put("[端口]\r\ncom=1\r\n"_gbk);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SetBeforeRenameHookForTest([](const std::string&) { ::raise(SIGKILL); });
        (void)WriteSetting(ini_, "端口"_gbk, "com", "2");
        ::_exit(0);  // not reached when the hook ran
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the write never reached the rename";

    EXPECT_EQ(get(), "[端口]\r\ncom=1\r\n"_gbk);
    EXPECT_EQ(ReadSetting(ini_, "端口"_gbk, "com"), "1");
    // The stray temporary file holds the complete new content and is ignored.
    const auto names = filesInDir();
    ASSERT_EQ(names.size(), 2u);
    const std::string temp = names[0] == "peizhi.ini" ? names[1] : names[0];
    EXPECT_EQ(temp.rfind(".peizhi.ini.", 0), 0u) << temp;
    EXPECT_EQ(ReadWholeFile(dir_.file(temp)), "[端口]\r\ncom=2\r\n"_gbk);

    // The next write works despite the leftover.
    ASSERT_TRUE(WriteSetting(ini_, "端口"_gbk, "com", "3"));
    EXPECT_EQ(ReadSetting(ini_, "端口"_gbk, "com"), "3");
}

TEST_F(SettingsFileTest, AFullDiskLeavesThePreviousFileAndNoLeftover) {
    put("[端口]\r\ncom=1\r\n"_gbk);
    const std::string list = dir_.file("list.bat");
    ASSERT_TRUE(WriteWholeFile(list, "old list"));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A file-size limit fails the write with EFBIG the way a full disk fails it with ENOSPC.
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const bool settingWritten(WriteSetting(ini_, "发送"_gbk, "单数据"_gbk, std::string(8000, '1')));
        const bool listWritten(WriteWholeFile(list, std::string(8000, '2')));
        ::_exit(settingWritten || listWritten ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "a failed write was reported as success";
    EXPECT_EQ(get(), "[端口]\r\ncom=1\r\n"_gbk);
    EXPECT_EQ(ReadWholeFile(list), "old list");
    EXPECT_EQ(filesInDir().size(), 2u);
}

TEST_F(SettingsFileTest, NeverWritesThroughALinkToSomethingElse) {
    // A link to a directory, to a FIFO and to nothing: none is written through.
    const std::string folder = dir_.file("folder");
    fs::create_directory(folder);
    fs::create_symlink(folder, ini_);
    EXPECT_FALSE(WriteSetting(ini_, "端口"_gbk, "com", "2"));
    EXPECT_FALSE(WriteWholeFile(ini_, "list"));
    EXPECT_TRUE(fs::is_symlink(ini_));
    EXPECT_TRUE(fs::is_empty(folder));

    const std::string list = dir_.file("list.bat");
    const std::string fifo = dir_.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink(fifo, list);
    EXPECT_FALSE(WriteWholeFile(list, "list"));
    EXPECT_TRUE(fs::is_fifo(fifo));

    const std::string dangling = dir_.file("dangling.ini");
    fs::create_symlink(dir_.file("missing.ini"), dangling);
    EXPECT_FALSE(WriteSetting(dangling, "端口"_gbk, "com", "2"));
    EXPECT_FALSE(fs::exists(dir_.file("missing.ini")));
}

TEST_F(SettingsFileTest, NeverReplacesSomethingThatIsNotItsOwnRegularFile) {
    fs::create_directory(ini_);
    EXPECT_FALSE(WriteSetting(ini_, "端口"_gbk, "com", "2"));
    EXPECT_FALSE(WriteWholeFile(ini_, "x"));
    EXPECT_TRUE(fs::is_directory(ini_));
    EXPECT_EQ(ReadSetting(ini_, "端口"_gbk, "com", "0"), "0");

    if (::geteuid() != 0) GTEST_SKIP() << "handing a file to another user needs root";
    const std::string foreign = dir_.file("foreign.ini");
    std::ofstream(foreign) << "[端口]\r\ncom=1\r\n"_gbk;
    ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
    EXPECT_FALSE(WriteSetting(foreign, "端口"_gbk, "com", "2"));
    EXPECT_EQ(ReadWholeFile(foreign), "[端口]\r\ncom=1\r\n"_gbk);
}

// ---------------------------------------------------------------- INI text details

TEST(IniDocumentTest, HeaderEndsAtAClosingBracketThatIsNotATrailByte) {
    // 乚 is 81 5D: its trail byte is ']'.
    const std::string content = "[a乚\r\nk=1\r\n[乚]\r\nk=2\r\n"_gbk;
    EXPECT_EQ(FindIniValue(content, "乚"_gbk, "k"), "2");
    EXPECT_EQ(FindIniValue(content, "a\x81", "k"), std::nullopt);
}

TEST(IniDocumentTest, ItemsBeforeTheFirstHeaderBelongToNoSection) {
    const std::string content = "k=0\r\n[s]\r\nk=1\r\n";
    EXPECT_EQ(FindIniValue(content, "s", "k"), "1");
    EXPECT_EQ(EditIni(content, "s", std::nullopt, std::nullopt), "k=0\r\n");
}

}  // namespace
}  // namespace vorta::store
