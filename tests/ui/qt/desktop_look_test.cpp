// The main window under the desktop themes a Debian user may run: a dark GTK
// theme (Qt's gtk3 platform theme with Adwaita:dark) and a large qt6ct font.
// Each case first checks that the theme really offers its dark base or its
// font, then that the window keeps the light backgrounds its text colours were
// chosen for and the fonts its controls were laid out for.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "codec/gbk_convert.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"
#include "ui/windows/window_defs.h"

namespace vorta::test {
namespace {

struct Shown {
    std::string family;
    int pixels = 0, points = 0;
    std::string base;
    bool clipped = false;
};

struct Probe {
    std::string desktopFamily;
    double desktopPoints = 0;
    std::string desktopBase;
    std::map<std::string, std::string> formats;  // received, sent, note
    std::map<std::string, Shown> controls;       // by control name (UTF-8)
};

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> out;
    std::stringstream in(line);
    for (std::string f; std::getline(in, f, '\t');) out.push_back(f);
    return out;
}

// Runs the probe on `display` with the extra environment, its settings and
// config folders in `dir`.
Probe RunProbe(const std::string& display, const TempDir& dir, const std::vector<std::string>& env) {
    std::string command = "env -u QT_QPA_PLATFORMTHEME -u GTK_THEME QT_QPA_PLATFORM=xcb DISPLAY=" + display +
                          " TMPDIR=" + dir.path().string() + " XDG_RUNTIME_DIR=" + dir.path().string() +
                          " XDG_CONFIG_HOME=" + (dir.path() / "config").string();
    for (const std::string& e : env) command += " " + e;
    command += std::string(" ") + VORTA_LOOK_PROBE + " 2>/dev/null";
    Probe p;
    FILE* out = popen(command.c_str(), "r");
    if (!out) return p;
    char buf[1024];
    while (std::fgets(buf, sizeof buf, out)) {
        std::string line(buf);
        if (!line.empty() && line.back() == '\n') line.pop_back();
        const auto f = Fields(line);
        if (f.size() == 3 && f[0] == "desktop-font") {
            p.desktopFamily = f[1];
            p.desktopPoints = std::stod(f[2]);
        } else if (f.size() == 2 && f[0] == "desktop-base") {
            p.desktopBase = f[1];
        } else if (f.size() == 3 && f[0] == "format") {
            p.formats[f[1]] = f[2];
        } else if (f.size() == 7 && f[0] == "control") {
            p.controls[f[1]] = {f[2], std::stoi(f[3]), std::stoi(f[4]), f[5], f[6] == "1"};
        }
    }
    pclose(out);
    return p;
}

// WCAG relative luminance and contrast of "#rrggbb" colours.
double Luminance(const std::string& hex) {
    auto channel = [&](int at) {
        const double c = std::stoi(hex.substr(at, 2), nullptr, 16) / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(1) + 0.7152 * channel(3) + 0.0722 * channel(5);
}
double Contrast(const std::string& a, const std::string& b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

struct Theme {
    const char* name;
    std::vector<std::string> env;
};
void PrintTo(const Theme& t, std::ostream* os) { *os << t.name; }

class DesktopLook : public ::testing::TestWithParam<Theme> {
protected:
    void SetUp() override {
        std::filesystem::create_directories(dir.path() / "config" / "qt6ct");
        // A desktop font far larger than the 12-pixel face the controls were laid out for.
        std::ofstream(dir.path() / "config" / "qt6ct" / "qt6ct.conf")
            << "[Appearance]\nstyle=Fusion\ncustom_palette=false\n"
               "[Fonts]\ngeneral=\"DejaVu Sans,18,-1,5,50,0,0,0,0,0\"\nfixed=\"DejaVu Sans "
               "Mono,18,-1,5,50,0,0,0,0,0\"\n";
        ASSERT_FALSE(x.display().empty()) << "Xvfb did not start";
        probe = RunProbe(x.display(), dir, GetParam().env);
        ASSERT_FALSE(probe.controls.empty()) << "the probe printed no controls";
    }
    Xvfb x;
    TempDir dir;
    Probe probe;
};

TEST_P(DesktopLook, ThemeOffersWhatTheCaseIsAbout) {
    const std::string name = GetParam().name;
    if (name == "gtk3-dark") {
        ASSERT_FALSE(probe.desktopBase.empty());
        EXPECT_LT(Luminance(probe.desktopBase), 0.1) << "the gtk3 theme offers base " << probe.desktopBase;
    } else if (name == "qt6ct-font") {
        EXPECT_EQ(probe.desktopFamily, "DejaVu Sans");
        EXPECT_EQ(probe.desktopPoints, 18);
    }
}

TEST_P(DesktopLook, TextAreasKeepTheirLightBase) {
    // The receive display, the send box, the auto-send list and the lists.
    for (const char* name : {"超级编辑框1", "编辑框_发送", "编辑框_循环", "编辑框1", "组合框_端口", "组合框_波特率",
                             "组合框_校验位", "组合框_数据位", "组合框_停止位", "组合框_毫秒"}) {
        ASSERT_TRUE(probe.controls.count(name)) << name;
        EXPECT_EQ(probe.controls[name].base, "#ffffff") << name;
    }
}

TEST_P(DesktopLook, DisplayColoursReadAgainstItsBase) {
    const std::string base = probe.controls["超级编辑框1"].base;
    const struct {
        const char* format;
        const char* colour;
        double least;
    } expected[] = {
        {"received", "#0000ff", 4.5},
        {"sent", "#008000", 4.5},
        // The notes' grey is the window tables' own colour: 3.95:1 on white, kept as it is.
        {"note", "#808080", 3.9},
    };
    for (const auto& e : expected) {
        EXPECT_EQ(probe.formats[e.format], e.colour) << e.format;
        EXPECT_GE(Contrast(probe.formats[e.format], base), e.least) << e.format << " on " << base;
    }
    EXPECT_NEAR(Contrast("#808080", "#ffffff"), 3.95, 0.01);
}

TEST_P(DesktopLook, ControlsKeepTheFontsTheyWereLaidOutFor) {
    // A few captions are wider than their controls by the tables' own geometry
    // ("反" beside its box); none more may be under a theme.
    const Probe plain = RunProbe(x.display(), dir, {});
    int checked = 0;
    for (const ui::ControlDef& def : ui::MainWindowDef().controls) {
        // The names of the tables are GBK; the probe prints UTF-8.
        auto it = probe.controls.find(codec::GbkToUtf8(def.name));
        if (it == probe.controls.end()) continue;
        const Shown& shown = it->second;
        ++checked;
        if (def.font.pointSize > 0) {
            EXPECT_EQ(shown.points, def.font.pointSize) << it->first;
        } else {
            EXPECT_EQ(shown.pixels, def.font.pixelHeight > 0 ? def.font.pixelHeight : 12) << it->first;
        }
        EXPECT_EQ(shown.family, "宋体") << it->first;
        EXPECT_EQ(shown.clipped, plain.controls.at(it->first).clipped) << it->first << "'s caption";
    }
    EXPECT_GT(checked, 30);
}

INSTANTIATE_TEST_SUITE_P(Themes, DesktopLook,
                         ::testing::Values(Theme{"none", {}},
                                           Theme{"gtk3-dark", {"QT_QPA_PLATFORMTHEME=gtk3", "GTK_THEME=Adwaita:dark"}},
                                           Theme{"qt6ct-font", {"QT_QPA_PLATFORMTHEME=qt6ct"}}),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             for (char& c : n)
                                 if (c == '-') c = '_';
                             return n;
                         });

}  // namespace
}  // namespace vorta::test
