// Entry point of the pathway tests: a Qt GUI application, so that cachers can
// make their timers and the drawing tests an offscreen OpenGL context.
#include <cstdlib>

#include <QGuiApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Without an X display the drawing tests skip; the rest needs no window system.
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QGuiApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
