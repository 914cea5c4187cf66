// The main window: how it is built, its timers and traces, its frames, the
// image timer and the way it goes.
#include <string>

#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "StdoutCapture.h"
#include "WindowFixture.h"
#include "app/App.h"
#include "engine/render/Image.h"
#include "engine/render/Texture.h"
#include "pathway/PathwayLayoutEntity.h"
#include "pathway/PathwayLayouter.h"
#include "ui/AnalyzeTabWidget.h"
#include "ui/CreateTabWidget.h"
#include "ui/OpenTabWidget.h"
#include "ui/QGWindow.h"
#include "ui/RenderWindow.h"

namespace {

const std::string kSamples = std::string(CORVIDANE_SOURCE_DIR) + "/samples/";

// The panel's style sheet as it must read, character for character.
const char* const kStyleSheet =
    ".QWidget {background-color : rgb(254,254,254)}QGroupBox { background-color: "
    "qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1,stop: 0 #E0E0E0, stop: 1 #FFFFFF);  border: 2px "
    "solid gray;   border-radius: 5px;  margin-top: 4ex; }QGroupBox::title {subcontrol-origin: "
    "margin; subcontrol-position: top center; padding: 0 3px; background-color: "
    "qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #FFOECE, stop: 1 #FFFFFF); "
    "}QToolBox::tab {background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #F1F1F1, "
    "stop: 0.4 #EEEEEE,   stop: 0.5 #E8E8E8, stop: 1.0 #E3E3E3);  border-radius: 5px;   color: "
    "black; border: 2px solid gray; }QToolBox::tab:selected {  font: italic;color: "
    "black;}QListWidget {border: 2px solid gray; border-radius : 5px;}QTextBrowser {border: 2px "
    "solid gray; border-radius : 5px;}QPushButton { border: 2px solid #8f8f91; border-radius: "
    "3px;  background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #f6f7fa, stop: "
    "1 #dadbde);}QPushButton:pressed { background-color: qlineargradient(x1: 0, y1: 0, x2: 0, "
    "y2: 1,stop: 0 #fadbde, stop: 1 #f9f7fa);}QPushButton:checked { background-color: "
    "qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1,stop: 0 #fadbde, stop: 1 #f9f7fa);}QPushButton:"
    "hover { border: 2px solid #cf6f81;}";

// Pixels that differ from `colour` by more than a rounding step.
int pixelsOtherThan(const QImage& image, QColor colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) > 2 || std::abs(c.green() - colour.green()) > 2 ||
                std::abs(c.blue() - colour.blue()) > 2) {
                ++count;
            }
        }
    }
    return count;
}

const QColor kSceneBackground(0, 26, 0);

class MainWindowTest : public WindowTest {
protected:
    void showWindow() {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void loadSample() {
        ASSERT_TRUE(window->app()->loadPathway(kSamples + "egfr.pth"));
        ASSERT_NE(window->app()->pathway(), nullptr);
    }
};

TEST_F(MainWindowTest, IsBuiltInOrderWithItsAppBeforeItIsShown) {
    EXPECT_FALSE(window->isVisible());
    ASSERT_NE(window->app(), nullptr);
    EXPECT_EQ(window->renderWindow()->app(), window->app());
    EXPECT_EQ(window->app()->mainWindow(), window.get());
    EXPECT_EQ(window->app()->analyzeTab(), window->analyzeTab());
    EXPECT_EQ(window->geometry(), QRect(20, 20, 1000, 800));
    EXPECT_EQ(window->windowTitle(), "Protein App");

    QTabWidget* tabs = window->tabWidget();
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), "File");
    EXPECT_EQ(tabs->tabText(1), "Create");
    EXPECT_EQ(tabs->tabText(2), "Analyze");
    EXPECT_EQ(tabs->widget(0), static_cast<QWidget*>(window->fileTab()));
    // The Create tab scrolls inside its page.
    EXPECT_TRUE(tabs->widget(1)->isAncestorOf(window->createTab()));
    EXPECT_EQ(tabs->widget(2), static_cast<QWidget*>(window->analyzeTab()));
    EXPECT_TRUE(tabs->isTabEnabled(0));
    EXPECT_TRUE(tabs->isTabEnabled(1));
    EXPECT_FALSE(tabs->isTabEnabled(2));
    EXPECT_EQ(tabs->maximumWidth(), 200);
    EXPECT_EQ(window->analyzeTab()->maximumWidth(), 190);
    EXPECT_EQ(tabs->styleSheet().toStdString(), kStyleSheet);

    // The splitter holds the panel and then the 3D view.
    QSplitter* splitter = window->splitter();
    ASSERT_EQ(splitter->count(), 2);
    EXPECT_TRUE(splitter->widget(0)->isAncestorOf(tabs));
    EXPECT_EQ(splitter->widget(0)->maximumWidth(), 200);
    EXPECT_EQ(splitter->widget(1), static_cast<QWidget*>(window->renderWindow()));

    // No timer runs yet; the stop timer fires once.
    EXPECT_FALSE(window->refreshTimer()->isActive());
    EXPECT_FALSE(window->stopTimer()->isActive());
    EXPECT_FALSE(window->imageTimer()->isActive());
    EXPECT_TRUE(window->stopTimer()->isSingleShot());

    // The view asks for a compatibility profile with depth and stencil.
    const QSurfaceFormat format = window->renderWindow()->format();
    EXPECT_EQ(format.profile(), QSurfaceFormat::CompatibilityProfile);
    EXPECT_EQ(format.depthBufferSize(), 24);
    EXPECT_EQ(format.stencilBufferSize(), 8);
    EXPECT_EQ(window->renderWindow()->contextMenuPolicy(), Qt::PreventContextMenu);

    // The Analyze tab cannot be chosen while it is disabled.
    showWindow();
    QTabBar* bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
    EXPECT_EQ(tabs->currentIndex(), 0);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    EXPECT_EQ(tabs->currentIndex(), 1);
}

TEST_F(MainWindowTest, TimersTruncateTheirIntervalsAndRestartTogether) {
    window->app()->setAnimating(false);
    const std::string out = stdoutOf([&] { window->startTimers(20.9, 5000.7); });
    EXPECT_EQ(out, "starting timer\n");
    EXPECT_EQ(window->refreshTimer()->interval(), 20);
    EXPECT_EQ(window->stopTimer()->interval(), 5000);
    EXPECT_TRUE(window->refreshTimer()->isActive());
    EXPECT_TRUE(window->stopTimer()->isActive());
    EXPECT_TRUE(window->app()->isAnimating());

    // The stop timer ends the refresh timer and the next start runs both again.
    EXPECT_EQ(stdoutOf([&] { window->refreshControlerSlot(); }), "stopping timer\n");
    EXPECT_FALSE(window->refreshTimer()->isActive());
    window->stopTimer()->stop();
    window->startTimers(30, 20000);
    EXPECT_TRUE(window->refreshTimer()->isActive());
    EXPECT_TRUE(window->stopTimer()->isActive());
    EXPECT_EQ(window->refreshTimer()->interval(), 30);
    EXPECT_EQ(window->stopTimer()->interval(), 20000);

    // A start while both run restarts both with the new values.
    window->startTimers(20, 5000);
    EXPECT_EQ(window->refreshTimer()->interval(), 20);
    EXPECT_EQ(window->stopTimer()->interval(), 5000);
    EXPECT_TRUE(window->stopTimer()->remainingTime() > 4000);
}

TEST_F(MainWindowTest, RepaintRequestsPaintThroughTheSceneCore) {
    showWindow();
    RenderWindow* view = window->renderWindow();
    const int before = view->paintCount();
    const std::string out = stdoutOf([&] {
        window->requestRepaint();
        ASSERT_TRUE(QTest::qWaitFor([&] { return view->paintCount() > before; }));
    });
    EXPECT_TRUE(out.starts_with("qt repaing gl\n")) << out;
    EXPECT_TRUE(contains(out, "paintGL\nin doGraphics\n")) << out;
    EXPECT_TRUE(contains(out, "out doGraphics\n")) << out;

    // Requests made before the event loop runs are coalesced into one paint.
    const int start = view->paintCount();
    stdoutOf([&] {
        for (int i = 0; i < 5; ++i)
            window->requestRepaint();
        ASSERT_TRUE(QTest::qWaitFor([&] { return view->paintCount() > start; }));
    });
    EXPECT_EQ(view->paintCount(), start + 1);
}

TEST_F(MainWindowTest, FramesReadBackThroughTheView) {
    // A view without a scene core clears to black.
    RenderWindow bare;
    bare.resize(64, 48);
    const QImage black = bare.grabFramebuffer();
    ASSERT_FALSE(black.isNull());
    EXPECT_EQ(pixelsOtherThan(black, QColor(0, 0, 0)), 0);

    showWindow();
    const QImage empty = window->renderWindow()->grabFramebuffer();
    ASSERT_FALSE(empty.isNull());
    EXPECT_EQ(empty.size(),
              window->renderWindow()->size() * window->renderWindow()->devicePixelRatio());
    EXPECT_EQ(pixelsOtherThan(empty, kSceneBackground), 0);

    // The sample pathway covers the view with its picture and proteins.
    loadSample();
    const QImage sample = window->renderWindow()->grabFramebuffer();
    EXPECT_GT(pixelsOtherThan(sample, kSceneBackground), sample.width() * sample.height() / 4);
    // renderFrame draws the same frame into the widget's own framebuffer.
    EXPECT_TRUE(window->renderWindow()->renderFrame());
}

TEST_F(MainWindowTest, BackgroundsGoToTheOpenPathwayOnly) {
    Image image(4, 4, 3);
    window->makeBackground(image);  // no pathway: nothing to do
    loadSample();
    const std::string out = stdoutOf([&] { window->makeBackground(image); });
    EXPECT_EQ(out, "qt repaing gl\n");
    ASSERT_NE(window->app()->pathway()->background(), nullptr);
    EXPECT_EQ(window->app()->pathway()->background()->name(), "background");
}

TEST_F(MainWindowTest, ImageTimerStopsWithThePathwayAndLateTicksDoNothing) {
    App* app = window->app();
    ASSERT_TRUE(app->createPathwayFromImage("painted.pth", kSamples + "egfr_background.png"));
    ASSERT_NE(app->shapeFinder(), nullptr);
    window->startShapeFinderTimer(5);
    EXPECT_EQ(window->imageTimer()->interval(), 5);
    EXPECT_TRUE(window->imageTimer()->isActive());

    app->close();
    EXPECT_FALSE(window->imageTimer()->isActive());
    // A tick already queued when the pathway went.
    EXPECT_EQ(stdoutOf([&] { window->imageProcessorUpdater(); }), "");

    window->stopShapeFinderTimer();
    EXPECT_FALSE(window->imageTimer()->isActive());
}

TEST_F(MainWindowTest, AskingForAProteinOpensTheFinderDialog) {
    dialogs->proteins.push_back(std::make_pair(std::string("EGFR"), std::string("00001")));
    std::string label, id;
    EXPECT_TRUE(window->app()->askProtein(nullptr, label, id));
    EXPECT_EQ(label, "EGFR");
    EXPECT_EQ(id, "00001");
    EXPECT_FALSE(window->app()->askProtein(nullptr, label, id));
    EXPECT_EQ(dialogs->calls, (std::vector<std::string>{"findProtein", "findProtein"}));
}

TEST_F(MainWindowTest, ClosingWhileTheLayoutRunsJoinsTheThread) {
    showWindow();
    loadSample();
    PathwayLayoutEntity* pathway = window->app()->pathway();
    pathway->startLayouter();
    ASSERT_NE(pathway->layouter(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return pathway->layouter()->isRunning(); }));
    window->startTimers(20, 5000);
    // Frames drawn while the thread moves the proteins.
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(window->renderWindow()->renderFrame());
    window.reset();
    QCoreApplication::processEvents();
}

TEST(WindowAdapter, FormatFollowsTheSettings) {
    QGWindow::Settings settings;
    settings.depthBits = 0;
    settings.stencilBits = 0;
    QWidget parent;
    QGWindow flat(settings, &parent);
    EXPECT_LE(flat.widget()->format().depthBufferSize(), 0);
    EXPECT_LE(flat.widget()->format().stencilBufferSize(), 0);
    EXPECT_EQ(flat.widget()->format().profile(), QSurfaceFormat::CompatibilityProfile);

    settings.depthBits = 24;
    settings.stencilBits = 8;
    settings.width = 640;
    settings.height = 480;
    QGWindow deep(settings, &parent);
    EXPECT_EQ(deep.widget()->format().depthBufferSize(), 24);
    EXPECT_EQ(deep.widget()->format().stencilBufferSize(), 8);
    EXPECT_EQ(deep.width(), 640);
    EXPECT_EQ(deep.height(), 480);
    EXPECT_EQ(deep.dimensions().width(), 640.0f);

    // getSettings reports the format and leaves the rest alone.
    QGWindow::Settings report;
    report.width = 123;
    report.depthBits = 0;
    deep.getSettings(report);
    EXPECT_EQ(report.width, 123);
    EXPECT_EQ(report.depthBits, 24);
    EXPECT_EQ(report.stencilBits, 8);
}

TEST(WindowAdapter, GeometryIsTruncatedAndAHiddenMouseKeepsTheView) {
    QWidget parent;
    QGWindow adapter(QGWindow::Settings{}, &parent);
    adapter.setDimensions(Rect2D::xyxy(10.7f, 20.2f, 110.9f, 70.5f));
    EXPECT_EQ(adapter.widget()->geometry(), QRect(10, 20, 100, 50));
    adapter.setPosition(3, 4);
    EXPECT_EQ(adapter.widget()->pos(), QPoint(3, 4));

    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    adapter.setMouseVisible(false);
    EXPECT_TRUE(adapter.widget()->isVisible());
    EXPECT_EQ(adapter.widget()->cursor().shape(), Qt::BlankCursor);
    adapter.setMouseVisible(true);
    EXPECT_NE(adapter.widget()->cursor().shape(), Qt::BlankCursor);
    EXPECT_TRUE(adapter.makeCurrent());
    adapter.doneCurrent();
}

}  // namespace
