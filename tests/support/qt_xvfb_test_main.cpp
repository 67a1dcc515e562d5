// The main of Qt tests that need a real X server: a private Xvfb is started
// first and the QApplication connects to it through the xcb platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "support/xvfb.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) {
        // Listing the tests needs no display.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        return RUN_ALL_TESTS();
    }
    vorta::test::Xvfb x;
    if (x.display().empty()) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    setenv("DISPLAY", x.display().c_str(), 1);
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
