// Entry point of the test programs that need a Qt application object: Core for
// the SQL drivers, Gui for OpenGL contexts and fonts, Widgets for the window.
// Without an X display, drawing tests skip and widgets are drawn off screen.
#include <cstdlib>

#include <gtest/gtest.h>

#if defined(CORVIDANE_TEST_APP_WIDGETS)
#include <QApplication>
using TestApplication = QApplication;
#elif defined(CORVIDANE_TEST_APP_GUI)
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv) {
#if defined(CORVIDANE_TEST_APP_WIDGETS) || defined(CORVIDANE_TEST_APP_GUI)
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
#endif
    TestApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
