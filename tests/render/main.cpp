// Entry point of the render tests: a Qt GUI application for fonts and GL contexts.
#include <cstdlib>

#include <QGuiApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Without an X display only the CPU-side tests can run; the drawing tests skip.
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
