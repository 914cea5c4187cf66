// The window at a small size, as a user meets it: every road that opens or
// builds a pathway shows the whole pathway in the view as the layout settles.
#include <filesystem>
#include <string>

#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>

#include "SamplePathways.h"
#include "StdoutCapture.h"
#include "WindowFixture.h"
#include "app/App.h"
#include "engine/Plane.h"
#include "engine/Rect2D.h"
#include "pathway/PathwayLayoutEntity.h"
#include "ui/AnalyzeTabWidget.h"
#include "ui/CreateTabWidget.h"
#include "ui/ExperimentsPanel.h"
#include "ui/OpenTabWidget.h"
#include "ui/RenderWindow.h"

namespace {

namespace fs = std::filesystem;

QPushButton* button(QWidget* parent, const QString& text) {
    for (QPushButton* candidate : parent->findChildren<QPushButton*>()) {
        if (candidate->text() == text && candidate->isVisible() && candidate->isEnabled()) {
            return candidate;
        }
    }
    return nullptr;
}

class SmallWindowTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->resize(1000, 700);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    App& app() { return *window->app(); }

    void click(QWidget* parent, const QString& text) {
        // Steps a page adds are shown from the event loop.
        QCoreApplication::processEvents();
        QPushButton* target = button(parent, text);
        ASSERT_NE(target, nullptr) << text.toStdString();
        stdoutOf([&] {
            QTest::mouseClick(target, Qt::LeftButton);
            QTest::qWait(50);
        });
    }

    // The pathway's rectangle on the plane z = 0 against the part of the
    // plane the view shows: fitted, they are the same.
    void expectFitted(const char* road) {
        SCOPED_TRACE(road);
        const App& app = *window->app();
        ASSERT_NE(app.pathway, nullptr);
        const RenderWindow* view = window->renderWindow();
        const Rect2D shown = Rect2D::xywh(0, 0, static_cast<float>(view->width()),
                                          static_cast<float>(view->height()));
        const Vector3 topLeft = app.camera.worldRay(0, 0, shown).intersection(Plane());
        const Vector3 bottomRight =
            app.camera.worldRay(shown.width(), shown.height(), shown).intersection(Plane());
        const Vector3 origin = app.pathway->getGlobalFrame().translation;
        const Vector3 size = app.pathway->getSize();
        const float tolerance = 0.01f * (bottomRight.x - topLeft.x);
        EXPECT_NEAR(origin.x, topLeft.x, tolerance);
        EXPECT_NEAR(origin.y, topLeft.y, tolerance);
        EXPECT_NEAR(origin.x + size.x, bottomRight.x, tolerance);
        EXPECT_NEAR(origin.y - size.y, bottomRight.y, tolerance);
    }
};

TEST_F(SmallWindowTest, EveryRoadFitsThePathwayToTheViewAsTheLayoutSettles) {
    const fs::path built = samplepathways::copyBuilt(folder.path());
    ASSERT_FALSE(built.empty());
    const int wideView = window->renderWindow()->width();

    // Opened with experiments: their panel narrows the view.
    dialogs->openFiles.push_back(QString::fromStdString(built.string()));
    click(window->fileTab(), "Open Pathway");
    ASSERT_NE(window->analyzeTab()->experimentsPanel(), nullptr);
    ASSERT_LT(window->renderWindow()->width(), wideView - 100);
    expectFitted("open");

    // A new pathway: the panel goes and the view widens again.
    window->tabWidget()->setCurrentIndex(1);
    CreateTabWidget* create = window->createTab();
    dialogs->saveFiles.push_back(QString::fromStdString((folder.path() / "new.pth").string()));
    click(create, "Next");
    EXPECT_EQ(window->renderWindow()->width(), wideView);
    expectFitted("create");

    // Built with experiments: their panel comes with the pages.
    create->buildSourcePage(true);
    for (const char* file : {"egf_5min.txt", "egf_30min.txt"}) {
        dialogs->openFiles.push_back(QString::fromStdString(
            samplepathways::sourceFile(std::string("samples/") + file).string()));
        click(create, "Add Experiment");
    }
    dialogs->saveFiles.push_back(QString::fromStdString((folder.path() / "built.pth").string()));
    click(create, "Next");
    app().pathway->createNode(CoordinateFrame(Vector3(0.5f, -0.5f, 0.001f)), "EGFR", true);
    app().pathway->nodeToIdLines.push_back("00001#EGFR");
    click(create, "Next");
    click(create, "Finish");
    ASSERT_TRUE(app().pathway && app().pathway->hasNetwork);
    ASSERT_NE(window->analyzeTab()->experimentsPanel(), nullptr);
    expectFitted("build");
}

}  // namespace
