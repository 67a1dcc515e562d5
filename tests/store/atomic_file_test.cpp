// Replacing a file with content made piece by piece: what a full disk or a
// refused file leaves behind, and the modes of new and replaced files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "store/atomic_file.h"
#include "support/temp_dir.h"

namespace vorta::store {
namespace {

namespace fs = std::filesystem;

void Put(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream got;
    got << in.rdbuf();
    return got.str();
}

unsigned Mode(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

std::size_t EntriesIn(const fs::path& dir) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

// Content in pieces of every size, small ones far more than large ones.
std::string InPieces(const PieceSink& sink, std::size_t total) {
    std::string all;
    for (std::size_t n = 1; all.size() < total; n = n * 3 % 70001 + 1) {
        std::string piece(std::min(n, total - all.size()), static_cast<char>('a' + all.size() % 26));
        all += piece;
        if (!sink(piece)) break;
    }
    return all;
}

TEST(ReplaceFileWith, WritesEveryPieceInOrder) {
    test::TempDir dir;
    const std::string path = dir.file("out.txt");
    std::string sent;
    ASSERT_TRUE(ReplaceFileWith(path, 0666, [&](const PieceSink& sink) { sent = InPieces(sink, 3'000'000); }));
    EXPECT_TRUE(Bytes(path) == sent);
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

class WriteLimit {
public:
    explicit WriteLimit(std::size_t bytes, int error) { SetWriteLimitForTest(bytes, error); }
    ~WriteLimit() { SetWriteLimitForTest(std::nullopt, 0); }
};

TEST(ReplaceFileWith, AFailedWriteLeavesTheOldFileOrNoFileAndNoTemporary) {
    struct Case {
        const char* name;
        std::optional<std::string> old;  // none: a new file
        std::size_t limit;
        int error;
        WriteCause cause;
    };
    const std::string old20k(20'000, 'O');
    const std::vector<Case> cases = {
        {"full disk over a file", old20k, 65'536, ENOSPC, WriteCause::DiskFull},
        {"full disk at once", old20k, 0, ENOSPC, WriteCause::DiskFull},
        {"quota over a new file", std::nullopt, 4096, EDQUOT, WriteCause::DiskFull},
        {"I/O error over a file", old20k, 300'000, EIO, WriteCause::Failed},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        const std::string path = dir.file("capture.txt");
        if (c.old) Put(path, *c.old);
        const WriteLimit limit(c.limit, c.error);
        bool toldToStop = false;
        const WriteResult result = ReplaceFileWith(
            path, 0666, [&](const PieceSink& sink) { toldToStop = InPieces(sink, 2'000'000).size() < 2'000'000; });
        EXPECT_EQ(result.cause, c.cause) << c.name;
        EXPECT_EQ(result.error, c.error) << c.name;
        if (c.old)
            EXPECT_TRUE(Bytes(path) == *c.old) << c.name;
        else
            EXPECT_FALSE(fs::exists(path)) << c.name;
        EXPECT_EQ(EntriesIn(dir.path()), c.old ? 1u : 0u) << c.name << ": a temporary file was left";
        EXPECT_TRUE(toldToStop) << c.name << ": the content went on after the disk was full";
    }
}

TEST(ReplaceFileWith, RefusedFilesSayWhyAndStayAsTheyWere) {
    test::TempDir dir;
    const std::string readOnly = dir.file("read-only.txt"), folder = dir.file("folder");
    Put(readOnly, "kept");
    ::chmod(readOnly.c_str(), 0444);
    fs::create_directory(folder);
    auto write = [](const std::string& path) {
        return ReplaceFileWith(path, 0666, [](const PieceSink& sink) { sink("new"); });
    };
    const WriteResult refused = write(readOnly);
    EXPECT_EQ(refused.cause, WriteCause::Declined);
    EXPECT_EQ(refused.error, EACCES);
    EXPECT_EQ(Bytes(readOnly), "kept");
    EXPECT_EQ(write(folder).cause, WriteCause::NotAFile);
    EXPECT_EQ(write(dir.file("missing/x.txt")).cause, WriteCause::FolderMissing);
}

TEST(ReplaceFileWith, NewFilesTakeTheUmaskAndReplacedFilesKeepTheirMode) {
    test::TempDir dir;
    const mode_t saved = ::umask(022);
    auto write = [](const std::string& path, mode_t mode) {
        return ReplaceFileWith(path, mode, [](const PieceSink& sink) { sink("x"); });
    };
    ASSERT_TRUE(write(dir.file("a.txt"), 0666));
    EXPECT_EQ(Mode(dir.file("a.txt")), 0644u);
    ::umask(077);
    ASSERT_TRUE(write(dir.file("b.txt"), 0666));
    EXPECT_EQ(Mode(dir.file("b.txt")), 0600u);
    ::umask(0);
    EXPECT_TRUE(ReplaceFileBytes(dir.file("settings.ini"), "x"));  // settings stay private
    EXPECT_EQ(Mode(dir.file("settings.ini")), 0600u);
    Put(dir.file("c.txt"), "old");
    ::chmod(dir.file("c.txt").c_str(), 0640);
    ASSERT_TRUE(write(dir.file("c.txt"), 0666));
    EXPECT_EQ(Mode(dir.file("c.txt")), 0640u);
    EXPECT_EQ(Bytes(dir.file("c.txt")), "x");
    ::umask(saved);
}

}  // namespace
}  // namespace vorta::store
