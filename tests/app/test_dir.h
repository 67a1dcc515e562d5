#pragma once
// A fresh, empty directory for one test, removed with everything in it afterwards.
#include <cstdlib>
#include <filesystem>
#include <string>

namespace vorta::test {

class TestDir {
public:
    TestDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vorta-test-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TestDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TestDir(const TestDir&) = delete;
    TestDir& operator=(const TestDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // "dir/name" as the logic's path text; only for ASCII names.
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

}  // namespace vorta::test
