// Settings files as users and other programs leave them: read-only, linked
// from a dotfiles folder, saved with a byte-order mark, replaced by a FIFO or a
// device, and littered with the leftovers of killed writes.
#include <fcntl.h>
#include <poll.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <thread>

#include "store/app_paths.h"
#include "store/atomic_file.h"
#include "store/settings_file.h"
#include "support/temp_dir.h"
#include "codec/gbk_literal.h"

namespace vorta::store {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

void Put(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

unsigned Mode(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

std::vector<std::string> Names(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

int Lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

// Runs `body` in a child process and waits at most `limit` for it: true when it
// returned true in time. A child that hangs is killed, so a hang fails the test
// instead of stalling the run.
bool FinishesInTime(const std::function<bool()>& body, std::chrono::milliseconds limit = 3000ms) {
    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
        // Reading a device without end stops here (a sanitizer's shadow memory alone
        // takes more address space than that; the time limit still stops the child).
        const rlimit memory{1u << 30, 1u << 30};
        ::setrlimit(RLIMIT_AS, &memory);
#endif
        ::_exit(body() ? 0 : 1);
    }
    const auto end = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > end) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return false;
        }
        std::this_thread::sleep_for(5ms);
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class HazardTest : public ::testing::Test {
protected:
    test::TempDir dir_;
    std::string ini_ = dir_.file("peizhi.ini");
};

TEST_F(HazardTest, AReadOnlyFileIsLeftAloneAndStillRead) {
    Put(ini_, "[端口]\r\ncom=1\r\n"_gbk);
    ASSERT_EQ(::chmod(ini_.c_str(), 0444), 0);
    EXPECT_FALSE(WriteSetting(ini_, "端口"_gbk, "com", "2"));
    EXPECT_FALSE(WriteSetting(ini_, "大小"_gbk, "KD", "600"));
    EXPECT_FALSE(WriteWholeFile(ini_, "x"));
    EXPECT_EQ(ReadWholeFile(ini_), "[端口]\r\ncom=1\r\n"_gbk);
    EXPECT_EQ(Mode(ini_), 0444u);
    EXPECT_EQ(ReadSetting(ini_, "端口"_gbk, "com", "0"), "1");
    EXPECT_EQ(Names(dir_.path()), std::vector<std::string>{"peizhi.ini"});

    // Writable again, it is written again, keeping its mode.
    ASSERT_EQ(::chmod(ini_.c_str(), 0640), 0);
    EXPECT_TRUE(WriteSetting(ini_, "端口"_gbk, "com", "2"));
    EXPECT_EQ(ReadSetting(ini_, "端口"_gbk, "com"), "2");
    EXPECT_EQ(Mode(ini_), 0640u);
}

TEST_F(HazardTest, ALinkToTheUsersOwnFileIsFollowedAndReplacedBesideItsTarget) {
    // A dotfiles folder holds the real file; the settings folder links to it
    // through a relative link and a second link after it.
    const fs::path repo = dir_.path() / "dotfiles";
    const fs::path state = dir_.path() / "state";
    fs::create_directories(repo);
    fs::create_directories(state);
    const std::string real = (repo / "peizhi.ini").string();
    Put(real, "[端口]\r\ncom=1\r\n"_gbk);
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    fs::create_symlink("../dotfiles/peizhi.ini", state / "linked.ini");
    fs::create_symlink("linked.ini", state / "peizhi.ini");
    const std::string settings = (state / "peizhi.ini").string();

    std::string tempFolder;
    SetBeforeRenameHookForTest([&](const std::string& temp) { tempFolder = fs::path(temp).parent_path().string(); });
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(WriteSetting(settings, "端口"_gbk, "com", "2"));
    EXPECT_TRUE(WriteSetting(settings, "大小"_gbk, "KD", "700"));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    SetBeforeRenameHookForTest(nullptr);

    EXPECT_TRUE(fs::equivalent(tempFolder, repo));  // a rename never crosses folders
    EXPECT_TRUE(fs::is_symlink(state / "peizhi.ini"));
    EXPECT_TRUE(fs::is_symlink(state / "linked.ini"));
    EXPECT_EQ(ReadWholeFile(real), "[端口]\r\ncom=2\r\n[大小]\r\nKD=700\r\n"_gbk);
    EXPECT_EQ(ReadSetting(settings, "大小"_gbk, "KD"), "700");
    EXPECT_EQ(Mode(real), 0640u);
    EXPECT_EQ(Names(repo), std::vector<std::string>{"peizhi.ini"});
    EXPECT_EQ(Names(state), (std::vector<std::string>{"linked.ini", "peizhi.ini"}));

    const std::string list = (state / "list.bat").string();
    fs::create_symlink(repo / "list.bat", list);
    Put((repo / "list.bat").string(), "old");
    EXPECT_TRUE(WriteWholeFile(list, "01 02"));
    EXPECT_EQ(ReadWholeFile((repo / "list.bat").string()), "01 02");
    EXPECT_TRUE(fs::is_symlink(list));
}

TEST_F(HazardTest, ALinkLeadingAnywhereElseIsRefusedWithOneWarning) {
    struct Case {
        const char* what;
        std::function<void(const fs::path& link)> make;
        bool needsRoot;
    };
    const fs::path away = dir_.path() / "away";
    fs::create_directories(away);
    const Case cases[] = {
        {"a folder", [&](const fs::path& link) { fs::create_symlink(away, link); }, false},
        {"a device", [&](const fs::path& link) { fs::create_symlink("/dev/null", link); }, false},
        {"nothing", [&](const fs::path& link) { fs::create_symlink(away / "missing.ini", link); }, false},
        {"a file of another user",
         [&](const fs::path& link) {
             Put((away / "foreign.ini").string(), "[端口]\r\ncom=1\r\n"_gbk);
             ASSERT_EQ(::chown((away / "foreign.ini").c_str(), 65534, 65534), 0);
             fs::create_symlink(away / "foreign.ini", link);
         },
         true},
        {"the user's file, but the link is another user's",
         [&](const fs::path& link) {
             Put((away / "mine.ini").string(), "[端口]\r\ncom=1\r\n"_gbk);
             fs::create_symlink(away / "mine.ini", link);
             ASSERT_EQ(::lchown(link.c_str(), 65534, 65534), 0);
         },
         true},
    };
    int n = 0;
    for (const Case& c : cases) {
        if (c.needsRoot && ::geteuid() != 0) continue;
        const fs::path link = dir_.path() / ("link" + std::to_string(++n) + ".ini");
        c.make(link);
        const auto before = Names(away);
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(WriteSetting(link.string(), "端口"_gbk, "com", "2")) << c.what;
        EXPECT_FALSE(WriteSetting(link.string(), "端口"_gbk, "com", "3")) << c.what;
        EXPECT_FALSE(WriteWholeFile(link.string(), "x")) << c.what;
        const std::string warning = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(Lines(warning), 1) << c.what << ": " << warning;
        EXPECT_NE(warning.find(link.string()), std::string::npos) << c.what << ": " << warning;
        EXPECT_TRUE(fs::is_symlink(link)) << c.what;
        EXPECT_EQ(Names(away), before) << c.what;
    }
    if (::geteuid() == 0) {
        EXPECT_EQ(ReadWholeFile((away / "foreign.ini").string()), "[端口]\r\ncom=1\r\n"_gbk);
        EXPECT_EQ(ReadWholeFile((away / "mine.ini").string()), "[端口]\r\ncom=1\r\n"_gbk);
    }
}

TEST_F(HazardTest, AByteOrderMarkBeforeTheFirstSectionIsSkipped) {
    const std::string bom = "\xEF\xBB\xBF";
    Put(ini_, bom + "[MoKuai]\r\n毫秒=4\r\n[端口]\r\ncom=2\r\n"_gbk);
    EXPECT_EQ(ReadSetting(ini_, "MoKuai", "毫秒"_gbk, "3"), "4");
    EXPECT_EQ(ReadSetting(ini_, "端口"_gbk, "com", "0"), "2");
    // Written back in place, without a second [MoKuai]; the mark stays.
    ASSERT_TRUE(WriteSetting(ini_, "MoKuai", "毫秒"_gbk, "5"));
    EXPECT_EQ(ReadWholeFile(ini_), bom + "[MoKuai]\r\n毫秒=5\r\n[端口]\r\ncom=2\r\n"_gbk);
    ASSERT_TRUE(WriteSetting(ini_, "MoKuai", std::nullopt, std::nullopt));
    EXPECT_EQ(ReadWholeFile(ini_), bom + "[端口]\r\ncom=2\r\n"_gbk);
}

TEST_F(HazardTest, OnlyARegularFileOfSaneSizeIsReadAndNothingElseIsWaitedOn) {
    // A FIFO would block an ordinary open for ever.
    ASSERT_EQ(::mkfifo(ini_.c_str(), 0600), 0);
    EXPECT_TRUE(FinishesInTime([&] {
        return ReadSetting(ini_, "端口"_gbk, "com", "0") == "0" && ReadWholeFile(ini_).empty() &&
               !WriteSetting(ini_, "端口"_gbk, "com", "1");
    }));
    EXPECT_TRUE(fs::is_fifo(ini_));

    // A device without end would be read until memory runs out.
    const std::string zero = dir_.file("zero.ini");
    fs::create_symlink("/dev/zero", zero);
    EXPECT_TRUE(FinishesInTime([&] {
        return ReadSetting(zero, "端口"_gbk, "com", "0") == "0" && ReadWholeFile(zero).empty() &&
               !WriteSetting(zero, "端口"_gbk, "com", "1");
    }));

    // A file beyond the limit reads as a file without items and is not replaced.
    const std::string huge = dir_.file("huge.ini");
    {
        std::ofstream out(huge, std::ios::binary);
        out << "[端口]\r\ncom=5\r\n;"_gbk;
        out << std::string(kMaxFileBytes, 'x');
    }
    EXPECT_EQ(ReadSetting(huge, "端口"_gbk, "com", "0"), "0");
    EXPECT_FALSE(WriteSetting(huge, "端口"_gbk, "com", "1"));
    EXPECT_GT(fs::file_size(huge), kMaxFileBytes);

    // Right at the limit it still counts.
    const std::string large = dir_.file("large.ini");
    {
        std::ofstream out(large, std::ios::binary);
        const std::string head = "[端口]\r\ncom=5\r\n;"_gbk;
        out << head << std::string(kMaxFileBytes - head.size(), 'x');
    }
    EXPECT_EQ(ReadSetting(large, "端口"_gbk, "com", "0"), "5");
}

TEST_F(HazardTest, ABareFileNameIsNeitherReadNorWritten) {
    // The settings path without a usable folder: nothing lands where the program was started.
    const fs::path old = fs::current_path();
    fs::current_path(dir_.path());
    Put("peizhi.ini", "[端口]\r\ncom=4\r\n"_gbk);
    EXPECT_EQ(ReadSetting("peizhi.ini", "端口"_gbk, "com", "0"), "0");
    EXPECT_FALSE(WriteSetting("peizhi.ini", "端口"_gbk, "com", "1"));
    EXPECT_EQ(ReadWholeFile("peizhi.ini"), "");
    EXPECT_FALSE(WriteWholeFile("list.bat", "01"));
    fs::current_path(old);
    EXPECT_EQ(ReadWholeFile(ini_), "[端口]\r\ncom=4\r\n"_gbk);
    EXPECT_FALSE(fs::exists(dir_.path() / "list.bat"));
}

// Each way a write can fail gives its own cause, so the user can be told why;
// what the user arranged on purpose is Declined and needs no word.
TEST_F(HazardTest, EveryWriteThatFailsSaysWhy) {
    struct Case {
        const char* what;
        std::function<std::string()> make;  // the path to write
        WriteCause setting, whole;          // WriteSetting's and WriteWholeFile's cause
    };
    const std::string huge = dir_.file("huge.ini");
    const Case cases[] = {
        {"a new file", [&] { return ini_; }, WriteCause::Written, WriteCause::Written},
        {"made read-only",
         [&] {
             Put(ini_, "[端口]\r\ncom=1\r\n"_gbk);
             ::chmod(ini_.c_str(), 0444);
             return ini_;
         },
         WriteCause::Declined, WriteCause::Declined},
        {"a folder that has gone", [&] { return dir_.file("gone") + "/peizhi.ini"; }, WriteCause::FolderMissing,
         WriteCause::FolderMissing},
        {"a file where the folder was",
         [&] {
             Put(dir_.file("plain"), "");
             return dir_.file("plain") + "/peizhi.ini";
         },
         WriteCause::FolderMissing, WriteCause::FolderMissing},
        {"a folder in its place",
         [&] {
             fs::create_directory(ini_);
             return ini_;
         },
         WriteCause::NotAFile, WriteCause::NotAFile},
        {"a FIFO in its place",
         [&] {
             ::mkfifo(ini_.c_str(), 0600);
             return ini_;
         },
         WriteCause::NotAFile, WriteCause::NotAFile},
        {"too large to edit",
         [&] {
             std::ofstream(huge, std::ios::binary) << std::string(kMaxFileBytes + 1, ';');
             return huge;
         },
         WriteCause::Unreadable, WriteCause::Written},
        {"a link that is not followed",
         [&] {
             fs::create_symlink("/dev/null", ini_);
             return ini_;
         },
         WriteCause::Declined, WriteCause::Declined},
        {"no folder at all", [] { return std::string("peizhi.ini"); }, WriteCause::Declined, WriteCause::Declined},
    };
    for (const Case& c : cases) {
        for (const std::string& left : {ini_, dir_.file("plain"), huge}) fs::remove_all(left);
        ::testing::internal::CaptureStderr();  // the refused link's warning
        const std::string path = c.make();
        EXPECT_EQ(WriteSetting(path, "端口"_gbk, "com", "2").cause, c.setting) << c.what;
        EXPECT_EQ(WriteWholeFile(path, "01 02").cause, c.whole) << c.what;
        ::testing::internal::GetCapturedStderr();
    }
    EXPECT_EQ(WriteSetting(ini_, "发送"_gbk, "单数据"_gbk, "01\r\n02").cause, WriteCause::BadItem);

    if (::geteuid() != 0) return;  // handing a file to another user needs root
    fs::remove_all(ini_);
    Put(ini_, "[端口]\r\ncom=1\r\n"_gbk);
    ASSERT_EQ(::chown(ini_.c_str(), 65534, 65534), 0);
    EXPECT_EQ(WriteSetting(ini_, "端口"_gbk, "com", "2").cause, WriteCause::OthersFile);
    EXPECT_EQ(WriteWholeFile(ini_, "x").cause, WriteCause::OthersFile);
}

TEST(WriteResultTest, SystemErrorsNameTheirCause) {
    const std::pair<int, WriteCause> cases[] = {
        {ENOSPC, WriteCause::DiskFull},       {EDQUOT, WriteCause::DiskFull},     {ENOENT, WriteCause::FolderMissing},
        {ENOTDIR, WriteCause::FolderMissing}, {EACCES, WriteCause::NoPermission}, {EPERM, WriteCause::NoPermission},
        {EROFS, WriteCause::ReadOnlyDisk},    {EIO, WriteCause::Failed},          {EFBIG, WriteCause::Failed},
    };
    for (const auto& [error, cause] : cases) {
        const WriteResult r = FailureFromErrno(error);
        EXPECT_EQ(r.cause, cause) << error;
        EXPECT_EQ(r.error, error);
        EXPECT_FALSE(r);
    }
    EXPECT_TRUE(WriteResult{});
}

// ---------------------------------------------------------------- leftovers of killed writes

class LeftoverTest : public HazardTest {
protected:
    void SetUp() override {
        const char* tmp = std::getenv("TMPDIR");
        savedTmpdir_ = tmp ? std::optional<std::string>(tmp) : std::nullopt;
        ::setenv("TMPDIR", dir_.path().c_str(), 1);
    }
    void TearDown() override {
        if (savedTmpdir_)
            ::setenv("TMPDIR", savedTmpdir_->c_str(), 1);
        else
            ::unsetenv("TMPDIR");
    }
    // A child that writes `path` and is killed between writing its temporary file and the rename.
    static void killedWrite(const std::function<void()>& write) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            SetBeforeRenameHookForTest([](const std::string&) { ::raise(SIGKILL); });
            write();
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the write never reached the rename";
    }
    std::optional<std::string> savedTmpdir_;
};

TEST_F(LeftoverTest, StartUpRemovesTheUsersLeftoversButNoLiveWriteAndNothingElse) {
    const std::string list = dir_.slash() + "循环数据.BAT"_gbk;  // a GBK path, as the logic names it
    Put(ini_, "[端口]\r\ncom=1\r\n"_gbk);
    for (int i = 0; i < 3; ++i) {
        killedWrite([&] { (void)WriteSetting(ini_, "端口"_gbk, "com", std::to_string(10 + i)); });
        killedWrite([&] { (void)WriteWholeFile(list, "01 02"); });
    }
    ASSERT_EQ(Names(dir_.path()).size(), 7u);

    // Files that only look alike, or are not the user's, stay.
    const std::vector<std::string> kept = {"peizhi.ini", ".peizhi.ini.orig", ".peizhi.ini.abc12!", "notes.txt",
                                           ".other.ini.Ab3dE9"};
    for (const std::string& name : kept)
        if (!fs::exists(dir_.path() / name)) Put(dir_.file(name), "keep");
    std::vector<std::string> expected = kept;
    if (::geteuid() == 0) {
        Put(dir_.file(".peizhi.ini.Xy12Zw"), "someone else's");
        ASSERT_EQ(::chown(dir_.file(".peizhi.ini.Xy12Zw").c_str(), 65534, 65534), 0);
        expected.push_back(".peizhi.ini.Xy12Zw");
    }

    // A write in progress in another instance holds its temporary file and
    // keeps it; the writer says which file it is once it has written it.
    int gate[2], ready[2];
    ASSERT_EQ(::pipe(gate), 0);
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        ::close(gate[1]);  // so the gate also opens when the test ends early
        SetBeforeRenameHookForTest([&](const std::string& temp) {
            const std::string name = fs::path(temp).filename().string();
            (void)!::write(ready[1], name.data(), name.size());
            ::close(ready[1]);
            char c;
            (void)!::read(gate[0], &c, 1);
        });
        ::_exit(WriteSetting(ini_, "端口"_gbk, "com", "live") ? 0 : 1);
    }
    ::close(gate[0]);
    ::close(ready[1]);
    std::string live;
    char buffer[256];
    pollfd waiting{ready[0], POLLIN, 0};
    for (ssize_t n = 1; n > 0 && ::poll(&waiting, 1, 3000) == 1;) {
        n = ::read(ready[0], buffer, sizeof buffer);
        if (n > 0) live.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(ready[0]);
    ASSERT_EQ(live.size(), 18u) << "the live writer never reached its rename: " << live;

    EXPECT_EQ(SettingsPath(), dir_.slash() + "peizhi.ini");

    expected.push_back(live);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Names(dir_.path()), expected);

    // The live write still completes.
    ASSERT_EQ(::write(gate[1], "x", 1), 1);
    ::close(gate[1]);
    int status = 0;
    ASSERT_EQ(::waitpid(writer, &status, 0), writer);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadSetting(ini_, "端口"_gbk, "com"), "live");
}

}  // namespace
}  // namespace vorta::store
