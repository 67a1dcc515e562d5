// The modes of files replaced with content made piece by piece (what a failed
// replacement leaves is in tests/receive/display_tools_test.cpp, through the save).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "store/atomic_file.h"
#include "support/temp_dir.h"

namespace vorta::store {
namespace {

unsigned Mode(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(ReplaceFileWith, NewFilesTakeTheUmaskAndReplacedFilesKeepTheirMode) {
    test::TempDir dir;
    auto write = [&dir](const char* name) {
        return ReplaceFileWith(dir.file(name), 0666, [](const PieceSink& sink) { sink("x"); });
    };
    const mode_t saved = ::umask(022);
    ASSERT_TRUE(write("a.txt"));
    EXPECT_EQ(Mode(dir.file("a.txt")), 0644u);
    ::umask(077);
    ASSERT_TRUE(write("b.txt"));
    EXPECT_EQ(Mode(dir.file("b.txt")), 0600u);
    ::umask(0);
    EXPECT_TRUE(ReplaceFileBytes(dir.file("settings.ini"), "x"));  // settings stay private
    EXPECT_EQ(Mode(dir.file("settings.ini")), 0600u);
    ::chmod(dir.file("a.txt").c_str(), 0640);
    ASSERT_TRUE(write("a.txt"));
    EXPECT_EQ(Mode(dir.file("a.txt")), 0640u);
    ::umask(saved);
}

}  // namespace
}  // namespace vorta::store
