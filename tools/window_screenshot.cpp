// Draws the real main window with a pathway opened through the File tab and
// saves it as a PNG: the pictures of the window the README shows.
//
//   corvidane_screenshot PATHWAY.pth OUT.png [WIDTH HEIGHT]
//   corvidane_screenshot --walk BUILT.pth OUTDIR
//
// --walk goes the README's roads with answered dialogs: it creates a network
// from EGFR and GRB2 (road-create.png), explores around EGFR (road-explore.png),
// filters by connectivity (road-filter.png), then opens BUILT.pth, a pathway
// with experiments, clusters its first experiment and explores an entry
// (road-experiments.png).
//
// Run it in a working folder that holds textures/, data/ and config.txt (as
// scripts/run leaves out/), on a display (Xvfb will do).
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QPixmap>
#include <QTest>
#include <QThread>

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolBox>

#include "ScriptedDialogs.h"
#include "app/App.h"
#include "pathway/PathwayLayoutEntity.h"
#include "ui/AnalyzeTabWidget.h"
#include "ui/CreateTabWidget.h"
#include "ui/ExperimentsPanel.h"
#include "ui/FiltersPage.h"
#include "ui/MyQTWindow.h"
#include "ui/OpenTabWidget.h"
#include "ui/ProteinPage.h"
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

bool save(QWidget& window, const QString& path) {
    const QImage picture = window.grab().toImage();
    if (picture.isNull() || !picture.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::fprintf(stderr, "wrote %s (%dx%d)\n", qPrintable(path), picture.width(), picture.height());
    return true;
}

// Waits for `done` while the window runs, at most `milliseconds`.
template <class Done>
bool waitFor(Done done, int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > milliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

int walk(const std::string& built, const QString& folder) {
    auto owned = std::make_unique<ScriptedDialogs>();
    ScriptedDialogs& dialogs = *owned;
    MyQTWindow window(0, 0, 1280, 800, std::move(owned));
    window.show();
    settle(300);
    App& app = *window.app();
    CreateTabWidget& create = *window.createTab();
    AnalyzeTabWidget& analyze = *window.analyzeTab();
    RenderWindow* view = window.renderWindow();
    const auto press = [&](QAbstractButton* button) {
        if (button)
            button->click();
    };
    const auto at = [&](QPoint point) { QTest::mouseClick(view, Qt::LeftButton, {}, point); };

    // Road 1: a new network around EGFR and GRB2.
    window.tabWidget()->setCurrentIndex(1);
    dialogs.saveFiles.push_back("walk.pth");
    press(create.sourceNextButton());
    const QPoint left(view->width() * 2 / 5, view->height() / 2);
    const QPoint right(view->width() * 3 / 5, view->height() / 2);
    press(create.placeProteinButton());
    dialogs.proteins.push_back(std::pair<std::string, std::string>("EGFR", "00001"));
    at(left);
    dialogs.proteins.push_back(std::pair<std::string, std::string>("GRB2", "00005"));
    at(right);
    press(create.placeInteractionButton());
    at(left);
    at(right);
    press(create.painterNextButton());
    if (create.levelsBox())
        create.levelsBox()->setValue(2);
    press(create.finishButton());
    if (!app.pathway() || !app.pathway()->hasNetwork()) {
        std::fprintf(stderr, "the network was not built (run in a folder with data/)\n");
        return 1;
    }
    settle(2500);
    if (!save(window, folder + "/road-create.png"))
        return 1;

    // Road 2: the layout stopped, EGFR chosen in the list and explored.
    analyze.setLayoutRunning(false);
    analyze.toolBox()->setCurrentIndex(0);
    analyze.selectProteinInList("EGFR");
    press(analyze.proteinPage()->exploreButton());
    if (!waitFor([&] { return app.isExploring() && !app.isAnimating(); }, 30000)) {
        std::fprintf(stderr, "the explore view did not open\n");
        return 1;
    }
    settle(800);
    if (!save(window, folder + "/road-explore.png"))
        return 1;

    // Road 3: a connectivity filter hides the weakly connected proteins.
    QTest::keyClick(view, Qt::Key_Escape);
    FiltersPage* filters = analyze.filtersPage();
    if (filters) {
        analyze.toolBox()->setCurrentIndex(2);
        filters->filterKinds()->setCurrentIndex(
            filters->filterKinds()->findText("Protein Connectivity"));
        press(filters->addFilterButton());
        if (filters->filterCount() > 0)
            filters->filter(0).slider->setValue(3);
    }
    window.requestRepaint();
    settle(800);
    if (!save(window, folder + "/road-filter.png"))
        return 1;

    // Road 6: the pathway with experiments, clustered, an entry explored.
    if (!window.fileTab()->openPathway(built)) {
        std::fprintf(stderr, "cannot open %s\n", built.c_str());
        return 1;
    }
    ExperimentsPanel* panel = analyze.experimentsPanel();
    if (!panel) {
        std::fprintf(stderr, "%s has no experiments\n", built.c_str());
        return 1;
    }
    // The k-means program is built beside corvidane, not beside this tool.
    const QString kmeans = QCoreApplication::applicationDirPath() + "/../src/corvidane_kmeans";
    if (QFileInfo(kmeans).isExecutable())
        panel->setClusteringProgram(kmeans);
    panel->tabs()->setCurrentIndex(0);
    panel->kBox()->setValue(3);
    press(panel->clusterButton());
    QListWidget* list = panel->list(0);
    if (list && list->count() > 1)
        panel->experimentDoubleClick(list->item(1));
    waitFor([&] { return app.isExploring() && !app.isAnimating(); }, 30000);
    settle(800);
    return save(window, folder + "/road-experiments.png") ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--walk") {
        QApplication application(argc, argv);
        return walk(argv[2], QString::fromLocal8Bit(argv[3]));
    }
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
