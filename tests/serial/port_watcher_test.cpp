#include "serial/port_watcher.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/virtual_loop.h"
#include "support/temp_dir.h"

namespace vorta::serial {
namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;

class PortWatcherTest : public ::testing::Test {
protected:
    base::VirtualLoop loop;
    test::TempDir tmp;
    int calls = 0;
    bool called(std::chrono::milliseconds timeout = 3s) {
        const int before = calls;
        return loop.runUntilReal([&] { return calls > before; }, timeout);
    }
};

TEST_F(PortWatcherTest, ABurstOfChangesGivesOneCall) {
    PortWatcher watcher(loop, [this] { ++calls; });
    ASSERT_TRUE(watcher.watch({{tmp.path(), ""}}));
    for (int i = 0; i < 20; ++i) std::ofstream(tmp.path() / ("n" + std::to_string(i))) << "";
    fs::rename(tmp.path() / "n0", tmp.path() / "m0");
    fs::remove(tmp.path() / "n1");
    ASSERT_TRUE(called());
    EXPECT_FALSE(called(3 * PortWatcher::kSettle));
    EXPECT_EQ(calls, 1);
}

TEST_F(PortWatcherTest, AFilteredFolderCountsOnlyItsEntry) {
    PortWatcher watcher(loop, [this] { ++calls; });
    ASSERT_TRUE(watcher.watch({{tmp.path(), "ports"}}));
    std::ofstream(tmp.path() / "peizhi.ini") << "x";  // the settings file beside it
    EXPECT_FALSE(called(3 * PortWatcher::kSettle));
    fs::create_directory(tmp.path() / "ports");
    EXPECT_TRUE(called());
}

TEST_F(PortWatcherTest, AFolderMadeLaterIsWatchedOnceAskedAgain) {
    PortWatcher watcher(loop, [this] { ++calls; });
    const fs::path later = tmp.path() / "by-id";
    ASSERT_TRUE(watcher.watch({{tmp.path(), "by-id"}, {later, ""}}));  // not there yet: skipped
    fs::create_directory(later);
    ASSERT_TRUE(called());
    ASSERT_TRUE(watcher.watch({{tmp.path(), "by-id"}, {later, ""}}));
    std::ofstream(later / "usb-adapter") << "";
    EXPECT_TRUE(called());
}

TEST_F(PortWatcherTest, NothingRunsOnceTheWatcherIsGone) {
    {
        PortWatcher watcher(loop, [this] { ++calls; });
        ASSERT_TRUE(watcher.watch({{tmp.path(), ""}}));
        std::ofstream(tmp.path() / "a") << "";
        std::this_thread::sleep_for(3 * PortWatcher::kSettle);  // the call is posted, not yet run
    }
    loop.runPending();
    EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace vorta::serial
