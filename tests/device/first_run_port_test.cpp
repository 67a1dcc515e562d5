// The demo port preselected before the program's first run, and only then.
#include "device/first_run_port.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "store/settings_file.h"
#include "support/pty_pair.h"
#include "support/temp_dir.h"
#include "codec/gbk_literal.h"

namespace vorta::device {
namespace {
namespace fs = std::filesystem;

class FirstRunPort : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(tmp.path() / "sys");
        fs::create_directories(tmp.path() / "ports");
        roots.sysClassTty = tmp.path() / "sys";
        roots.dev = tmp.path() / "dev";
        roots.portsFolder = tmp.path() / "ports";
    }
    // A port of the folder, linked to a pseudo-terminal as the device links its own.
    void port(const std::string& name) {
        ptys.push_back(std::make_unique<test::PtyPair>());
        ASSERT_TRUE(ptys.back()->ok());
        fs::create_symlink(ptys.back()->path(), tmp.path() / "ports" / name);
    }
    std::vector<std::unique_ptr<test::PtyPair>> ptys;
    test::TempDir tmp;
    serial::DiscoveryRoots roots;
    const std::string settings = tmp.file("peizhi.ini");
};

TEST_F(FirstRunPort, SelectsTheDemoPortWhenTheProgramHasNoSettingsYet) {
    port("COM5");
    port("COM900");
    port("COM901");
    EXPECT_TRUE(SelectPortOnFirstRun(settings, roots, 900));
    EXPECT_EQ(store::ReadSetting(settings, "端口"_gbk, "com"), "1");
    // From now on the settings are the user's.
    ASSERT_TRUE(store::WriteSetting(settings, "端口"_gbk, "com", "2"));
    EXPECT_FALSE(SelectPortOnFirstRun(settings, roots, 900));
    EXPECT_EQ(store::ReadSetting(settings, "端口"_gbk, "com"), "2");
}

TEST_F(FirstRunPort, WritesNothingWhenTheDemoPortIsFirstOrMissing) {
    port("COM900");
    EXPECT_FALSE(SelectPortOnFirstRun(settings, roots, 900));  // item 0 is the default anyway
    EXPECT_FALSE(SelectPortOnFirstRun(settings, roots, 7));
    roots.sysClassTty = tmp.path() / "missing";
    EXPECT_FALSE(SelectPortOnFirstRun(settings, roots, 900));
    EXPECT_FALSE(fs::exists(settings));
}

}  // namespace
}  // namespace vorta::device
