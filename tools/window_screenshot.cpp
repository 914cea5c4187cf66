// Draws the real main window with a pathway opened through the File tab and
// saves it as a PNG: the picture of the window the README shows.
//
//   corvidane_screenshot PATHWAY.pth OUT.png [WIDTH HEIGHT]
//
// Run it in a working folder that holds textures/, data/ and config.txt (as
// scripts/run leaves out/), on a display (Xvfb will do).
#include <cstdio>
#include <cstdlib>
#include <string>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>
#include <QThread>

#include "app/App.h"
#include "ui/MyQTWindow.h"
#include "ui/OpenTabWidget.h"
#include "ui/RenderWindow.h"

namespace {

// Lets the window settle: layouts, the first paints and pending repaints.
void settle(int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr, "usage: %s PATHWAY.pth OUT.png [WIDTH HEIGHT]\n", argv[0]);
        return 1;
    }
    const std::string pathway = argv[1];
    const QString output = QString::fromLocal8Bit(argv[2]);
    const int width = argc == 5 ? std::atoi(argv[3]) : 1280;
    const int height = argc == 5 ? std::atoi(argv[4]) : 800;

    QApplication application(argc, argv);
    MyQTWindow window(0, 0, width, height);
    window.show();
    settle(300);
    if (!window.fileTab()->openPathway(pathway)) {
        std::fprintf(stderr, "cannot open %s\n", pathway.c_str());
        return 1;
    }
    window.requestRepaint();
    settle(1500);

    const QImage picture = window.grab().toImage();
    if (picture.isNull() || !picture.save(output, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(output));
        return 1;
    }
    std::fprintf(stderr, "wrote %s (%dx%d)\n", qPrintable(output), picture.width(),
                 picture.height());
    return 0;
}
