// Entry point of every window test: real widgets on the offscreen platform,
// which also holds when ctest lists the tests at build time without a display.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Options of the offscreen platform (a screen of another resolution) stay.
    if (!qgetenv("QT_QPA_PLATFORM").startsWith("offscreen")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
