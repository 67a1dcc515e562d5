// The main of Qt tests: one QApplication lives for the whole run and goes
// before the process exits, as Qt requires.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    // No display needed: Qt's offscreen platform unless a test run asks for another.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
