#include "store/app_paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <fstream>
#include <filesystem>
#include <optional>

#include "codec/gbk_convert.h"
#include "store/settings_file.h"
#include "support/temp_dir.h"
#include "codec/gbk_literal.h"

namespace vorta::store {
namespace {

namespace fs = std::filesystem;

std::string Utf8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

// Sets the variables for one test and puts the old values back afterwards.
class AppPathsTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"TMPDIR", "XDG_STATE_HOME", "HOME"}) {
            const char* v = std::getenv(name);
            saved_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
        }
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }
    static void set(const char* name, const std::string& value) { ::setenv(name, value.c_str(), 1); }

    test::TempDir dir_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(AppPathsTest, TmpdirIsUsedWithExactlyOneTrailingSlash) {
    set("TMPDIR", "/var/tmp/x");
    EXPECT_EQ(TemporaryDirectory(), "/var/tmp/x/");
    set("TMPDIR", "/var/tmp/x/");
    EXPECT_EQ(TemporaryDirectory(), "/var/tmp/x/");
    EXPECT_EQ(SettingsPath(), "/var/tmp/x/peizhi.ini");
    EXPECT_EQ(ListFilePath(), "/var/tmp/x/循环数据.BAT"_gbk);
}

TEST_F(AppPathsTest, WithoutTmpdirAPrivateStateDirectoryIsCreated) {
    for (const bool emptyTmpdir : {false, true}) {
        if (emptyTmpdir)
            set("TMPDIR", "");
        else
            ::unsetenv("TMPDIR");
        const fs::path base = dir_.path() / (emptyTmpdir ? "state2" : "state1") / "deeper";
        set("XDG_STATE_HOME", base.string() + "/");
        const fs::path expected = base / "vorta-serial";
        EXPECT_EQ(TemporaryDirectory(), expected.string() + "/");
        ASSERT_TRUE(fs::is_directory(expected));
        struct stat st {};
        ASSERT_EQ(::stat(expected.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
    }
}

TEST_F(AppPathsTest, ARelativeStateHomeFallsBackToTheHomeDirectory) {
    ::unsetenv("TMPDIR");
    set("XDG_STATE_HOME", "relative/state");
    set("HOME", dir_.path().string());
    EXPECT_EQ(TemporaryDirectory(), (dir_.path() / ".local/state/vorta-serial").string() + "/");
    EXPECT_TRUE(fs::is_directory(dir_.path() / ".local/state/vorta-serial"));
}

TEST_F(AppPathsTest, NoDirectoryGivesBareFileNames) {
    ::unsetenv("TMPDIR");
    const fs::path blocker = dir_.path() / "file";
    std::ofstream(blocker) << "not a directory";
    set("XDG_STATE_HOME", blocker.string());
    EXPECT_EQ(TemporaryDirectory(), "");
    EXPECT_EQ(SettingsPath(), "peizhi.ini");
}

TEST_F(AppPathsTest, ChineseNamesAreUtf8OnDisk) {
    const fs::path chinese = dir_.path() / Utf8(u8"串口目录");
    fs::create_directory(chinese);
    set("TMPDIR", chinese.string());
    EXPECT_EQ(TemporaryDirectory(), dir_.path().string() + "/串口目录/"_gbk);  // a GBK text
    ASSERT_TRUE(WriteWholeFile(ListFilePath(), "01 02"));
    ASSERT_TRUE(WriteSetting(SettingsPath(), "端口"_gbk, "com", "1"));
    EXPECT_TRUE(fs::is_regular_file(chinese / Utf8(u8"循环数据.BAT")));
    EXPECT_TRUE(fs::is_regular_file(chinese / "peizhi.ini"));
    EXPECT_EQ(ReadWholeFile(ListFilePath()), "01 02");
}

TEST_F(AppPathsTest, ATmpdirThatGbkCannotNameIsPassedOver) {
    set("TMPDIR", "/tmp/" + Utf8(u8"\U0001F600"));  // an emoji: no GBK form
    set("XDG_STATE_HOME", dir_.path().string());
    EXPECT_EQ(TemporaryDirectory(), dir_.path().string() + "/vorta-serial/");
}

TEST_F(AppPathsTest, ARelativeTmpdirIsPassedOver) {
    set("TMPDIR", "relative/tmp");
    set("XDG_STATE_HOME", dir_.path().string());
    EXPECT_EQ(TemporaryDirectory(), dir_.path().string() + "/vorta-serial/");
}

// A state folder that someone else could change is not used: the program runs
// with defaults, saves nothing and says why once.
TEST_F(AppPathsTest, AStateFolderThatIsNotPrivatelyTheUsersIsNotUsed) {
    ::unsetenv("TMPDIR");
    struct Case {
        const char* what;
        std::function<void(const fs::path& folder)> make;
        bool needsRoot;
    };
    const Case cases[] = {
        {"writable by everyone",
         [](const fs::path& f) {
             fs::create_directories(f);
             fs::permissions(f, fs::perms::all);
         },
         false},
        {"writable by the group",
         [](const fs::path& f) {
             fs::create_directories(f);
             fs::permissions(f, fs::perms::owner_all | fs::perms::group_all);
         },
         false},
        {"a folder of another user",
         [](const fs::path& f) {
             fs::create_directories(f);
             fs::permissions(f, fs::perms::owner_all);
             ASSERT_EQ(::chown(f.c_str(), 65534, 65534), 0);
         },
         true},
        {"another user's link to a private folder",
         [&](const fs::path& f) {
             fs::create_directories(f.parent_path() / "private");
             fs::permissions(f.parent_path() / "private", fs::perms::owner_all);
             fs::create_symlink("private", f);
             ASSERT_EQ(::lchown(f.c_str(), 65534, 65534), 0);
         },
         true},
    };
    int n = 0;
    for (const Case& c : cases) {
        if (c.needsRoot && ::geteuid() != 0) continue;
        const fs::path home = dir_.path() / ("state" + std::to_string(++n));
        const fs::path folder = home / "vorta-serial";
        c.make(folder);
        // What a planted settings file would set.
        std::ofstream(folder / "peizhi.ini") << "[端口]\r\ncom=7\r\n"_gbk;
        set("XDG_STATE_HOME", home.string());

        ::testing::internal::CaptureStderr();
        EXPECT_EQ(TemporaryDirectory(), "") << c.what;
        EXPECT_EQ(SettingsPath(), "peizhi.ini") << c.what;
        EXPECT_EQ(ListFilePath(), "循环数据.BAT"_gbk) << c.what;
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << c.what << ": " << said;
        EXPECT_NE(said.find(folder.string()), std::string::npos) << said;

        EXPECT_EQ(ReadSetting(SettingsPath(), "端口"_gbk, "com", "0"), "0") << c.what;
        EXPECT_FALSE(WriteSetting(SettingsPath(), "端口"_gbk, "com", "1")) << c.what;
        EXPECT_FALSE(WriteWholeFile(ListFilePath(), "01")) << c.what;
        EXPECT_FALSE(fs::exists("peizhi.ini")) << c.what;
    }

    // The user's own link to the user's own private folder is fine.
    const fs::path home = dir_.path() / "linked";
    fs::create_directories(dir_.path() / "real");
    fs::permissions(dir_.path() / "real", fs::perms::owner_all);
    fs::create_directories(home);
    fs::create_symlink(dir_.path() / "real", home / "vorta-serial");
    set("XDG_STATE_HOME", home.string());
    EXPECT_EQ(TemporaryDirectory(), (home / "vorta-serial").string() + "/");
}

TEST(GbkConvertTest, ExactFailsWhereLenientKeepsTheByte) {
    EXPECT_EQ(codec::GbkToUtf8("循环数据.BAT"_gbk), Utf8(u8"循环数据.BAT"));
    EXPECT_EQ(codec::Utf8ToGbk(Utf8(u8"循环数据.BAT")), "循环数据.BAT"_gbk);
    EXPECT_EQ(codec::GbkToUtf8Exact("a\xFF"), std::nullopt);
    EXPECT_EQ(codec::GbkToUtf8("a\xFF"
                               "b"),
              "a\xFF"
              "b");
    EXPECT_EQ(codec::Utf8ToGbkExact("\xC3"), std::nullopt);  // cut-off sequence
    EXPECT_EQ(codec::Utf8ToGbk("x\xC3"), "x\xC3");
}

}  // namespace
}  // namespace vorta::store
