// The main window under the desktop themes a Debian user may run: a dark GTK
// theme (Qt's gtk3 platform theme with Adwaita:dark) and a large qt6ct font.
// Each case first checks that the theme really offers its dark base or its font,
// then that the window keeps the light backgrounds its text colours were chosen
// for and the faces and sizes its controls were laid out for (so no caption is cut).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "codec/gbk_convert.h"
#include "codec/gbk_literal.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"
#include "ui/windows/control_ids.h"
#include "ui/windows/window_defs.h"

namespace vorta::test {
namespace {

using Lines = std::map<std::string, std::vector<std::string>>;  // by kind and first field

// Runs the probe on `display` with the extra environment, its settings and config in `dir`.
Lines RunProbe(const std::string& display, const TempDir& dir, const std::string& env) {
    const std::string d = dir.path().string();
    const std::string command = "env -u QT_QPA_PLATFORMTHEME -u GTK_THEME QT_QPA_PLATFORM=xcb DISPLAY=" + display +
                                " TMPDIR=" + d + " XDG_RUNTIME_DIR=" + d + " XDG_CONFIG_HOME=" + d + "/config " + env +
                                " " + VORTA_LOOK_PROBE + " 2>/dev/null";
    Lines lines;
    FILE* out = popen(command.c_str(), "r");
    if (!out) return lines;
    for (char buf[1024]; std::fgets(buf, sizeof buf, out);) {
        std::vector<std::string> f;
        std::stringstream in(std::string(buf).substr(0, std::string(buf).find('\n')));
        for (std::string field; std::getline(in, field, '\t');) f.push_back(field);
        if (f.size() < 2) continue;
        const std::string key = f[0] == "desktop" ? f[0] : f[0] + " " + f[1];
        lines[key] = f;
    }
    pclose(out);
    return lines;
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
    const char* env;
};
void PrintTo(const Theme& t, std::ostream* os) { *os << t.name; }

class DesktopLook : public ::testing::TestWithParam<Theme> {};

TEST_P(DesktopLook, WindowKeepsItsLightBaseAndItsFonts) {
    Xvfb x;
    ASSERT_FALSE(x.display().empty()) << "Xvfb did not start";
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "config" / "qt6ct");
    // A desktop font far larger than the 12-pixel face the controls were laid out for.
    std::ofstream(dir.path() / "config" / "qt6ct" / "qt6ct.conf")
        << "[Appearance]\nstyle=Fusion\ncustom_palette=false\n[Fonts]\n"
           "general=\"DejaVu Sans,18,-1,5,50,0,0,0,0,0\"\nfixed=\"DejaVu Sans Mono,18,-1,5,50,0,0,0,0,0\"\n";
    Lines probe = RunProbe(x.display(), dir, GetParam().env);
    ASSERT_EQ(probe["desktop"].size(), 4u) << "the probe printed nothing";

    // The theme offers what the case is about.
    const std::string theme = GetParam().name;
    if (theme == "gtk3-dark") {
        EXPECT_LT(Luminance(probe["desktop"][3]), 0.1) << "gtk3 offers " << probe["desktop"][3];
    } else if (theme == "qt6ct-font") {
        EXPECT_EQ(probe["desktop"][1] + " " + probe["desktop"][2], "DejaVu Sans 18");
    }

    // The display, the send box, the auto-send list and the lists stay white.
    using namespace ui::main;
    for (std::string_view id : {kDisplay.name, kSendBox.name, kAutoSendList.name, kLineBreakInterval.name, kPort.name,
                                kBaud.name, kParity.name, kDataBits.name, kStopBits.name, kInterval.name}) {
        const std::string name = codec::GbkToUtf8(id);
        EXPECT_EQ(probe["control " + name].at(5), "#ffffff") << name;
    }
    const struct {
        const char* format;
        const char* colour;
        double least;
    } colours[] = {
        {"received", "#0000ff", 4.5},
        {"sent", "#008000", 4.5},
        {"note", "#808080", 3.95},  // the window tables' own grey: 3.95:1 on white, kept as it is
    };
    const std::string base = probe["control " + codec::GbkToUtf8(kDisplay.name)].at(5);
    for (const auto& c : colours) {
        EXPECT_EQ(probe[std::string("format ") + c.format].at(2), c.colour);
        EXPECT_GE(Contrast(c.colour, base) + 0.005, c.least) << c.format << " on " << base;
    }

    // Every control keeps the face and size of its table entry, 宋体 at 12 pixels by default.
    int checked = 0;
    for (const ui::ControlDef& def : ui::MainWindowDef().controls) {
        const auto it = probe.find("control " + codec::GbkToUtf8(def.name));
        if (it == probe.end()) continue;
        const std::vector<std::string>& shown = it->second;
        ++checked;
        EXPECT_EQ(shown[2], codec::GbkToUtf8("宋体"_gbk)) << shown[1];
        const bool points = def.font.pointSize > 0;
        EXPECT_EQ(std::stoi(shown[points ? 4 : 3]), points                     ? def.font.pointSize
                                                    : def.font.pixelHeight > 0 ? def.font.pixelHeight
                                                                               : 12)
            << shown[1];
    }
    EXPECT_GT(checked, 30);
}

INSTANTIATE_TEST_SUITE_P(Themes, DesktopLook,
                         ::testing::Values(Theme{"none", ""},
                                           Theme{"gtk3-dark", "QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark"},
                                           Theme{"qt6ct-font", "QT_QPA_PLATFORMTHEME=qt6ct"}),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             for (char& c : n)
                                 if (c == '-') c = '_';
                             return n;
                         });

}  // namespace
}  // namespace vorta::test
