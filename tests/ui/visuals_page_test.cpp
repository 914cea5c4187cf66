// The Visuals page on the built sample pathway: what it shows, what each
// control writes, and the layout switch.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include "SamplePathway.h"
#include "model/ProteinGraph.h"
#include "pathway/PathwayLayouter.h"
#include "ui/VisualsPage.h"

namespace {

// Threads of this process that Qt named after their class: the layouter is
// the only plain QThread the window starts.
int plainQThreads() {
    int count = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        count += name == "QThread";
    }
    return count;
}

TEST(VisualsConversions, ControlsAndPathwayValues) {
    EXPECT_DOUBLE_EQ(visuals::forceFromBox(1000), 100.0);
    EXPECT_DOUBLE_EQ(visuals::forceFromBox(1), 0.1);
    EXPECT_EQ(visuals::boxFromForce(100.0), 1000);
    EXPECT_EQ(visuals::boxFromForce(0.25), 3);  // 2.5 rounds away from zero
    EXPECT_EQ(visuals::boxFromForce(0.0), 1);   // below the box's range
    EXPECT_EQ(visuals::boxFromDegreeWeight(7.0), 5);
    // Rounded, not truncated: 0.29 * 100 is 28.999... in binary.
    EXPECT_EQ(visuals::sliderFromFraction(0.29), 29);
    EXPECT_EQ(visuals::sliderFromFraction(0.57), 57);
    EXPECT_EQ(visuals::sliderFromFraction(NAN), 0);
}

class VisualsPageTest : public SamplePageTest {
protected:
    void makePage() { page = std::make_unique<VisualsPage>(context, 190); }
    void TearDown() override {
        page.reset();
        SamplePageTest::TearDown();
    }
    std::unique_ptr<VisualsPage> page;
};

TEST_F(VisualsPageTest, BuildingShowsThePathwayAndChangesNothing) {
    PathwayLayoutEntity& p = *pathway();
    LayoutForces forces = p.layoutForces();
    forces.repulsiveForce = 2.5;
    forces.springForce = 0.7;
    forces.degreeWeight = 2.0;
    p.setLayoutForces(forces);
    p.style().edgeAlpha = 0.29;
    p.style().explorePlaneAlpha = 0.5;
    p.setTiltedExplorePlane(true);
    const Vector3 large = p.style().largeProteinSize;
    const double labels = p.style().largeLabelFactor;
    const Color4 colour = p.style().largeProteinsColor;
    const float edgeAlphaBefore = p.edges().empty() ? 0.f : p.edges()[0]->color.a;
    makePage();

    EXPECT_EQ(page->pushBox()->value(), 25);
    EXPECT_EQ(page->pullBox()->value(), 7);
    EXPECT_EQ(page->hubsBox()->value(), 2);
    EXPECT_EQ(page->edgeAlphaSlider()->value(), 29);
    EXPECT_EQ(page->explorePlaneAlphaSlider()->value(), 50);
    EXPECT_TRUE(page->tiltedBox()->isChecked());
    EXPECT_FALSE(page->layoutRunning());
    EXPECT_FALSE(page->adjustButton()->isChecked());
    EXPECT_EQ(p.layouter(), nullptr);
    EXPECT_EQ(page->maximumWidth(), 171);

    EXPECT_DOUBLE_EQ(p.layoutForces().repulsiveForce, 2.5);
    EXPECT_DOUBLE_EQ(p.layoutForces().springForce, 0.7);
    EXPECT_DOUBLE_EQ(p.style().edgeAlpha, 0.29);
    EXPECT_DOUBLE_EQ(p.style().explorePlaneAlpha, 0.5);
    EXPECT_EQ(p.style().largeProteinSize, large);
    EXPECT_DOUBLE_EQ(p.style().largeLabelFactor, labels);
    EXPECT_EQ(p.style().largeProteinsColor, colour);
    if (!p.edges().empty()) {
        EXPECT_EQ(p.edges()[0]->color.a, edgeAlphaBefore);
    }

    // The combo texts are keys: every one is a class the pathway knows.
    for (int i = 0; i < page->colorClassBox()->count(); ++i) {
        EXPECT_NE(p.schemeColor(page->colorClassBox()->itemText(i).toStdString()), nullptr);
    }
    EXPECT_EQ(page->colorClassBox()->count(), 14);
    EXPECT_EQ(page->sizeClassBox()->count(), 8);
    EXPECT_EQ(page->sizeClassBox()->itemText(2), "Experim. Proteins");
}

TEST_F(VisualsPageTest, EachControlWritesItsValue) {
    makePage();
    PathwayLayoutEntity& p = *pathway();
    page->pushBox()->setValue(1000);
    page->pullBox()->setValue(10);
    page->hubsBox()->setValue(5);
    EXPECT_DOUBLE_EQ(p.layoutForces().repulsiveForce, 100.0);
    EXPECT_DOUBLE_EQ(p.layoutForces().springForce, 1.0);
    EXPECT_DOUBLE_EQ(p.layoutForces().degreeWeight, 5.0);

    // Choosing a class shows its size without writing it; the slider then sizes it.
    const double width = p.style().largeInteractionWidth;
    page->sizeClassBox()->setCurrentText("Large Interactions");
    EXPECT_EQ(page->sizeSlider()->value(), std::lround(width * 100));
    EXPECT_DOUBLE_EQ(p.style().largeInteractionWidth, width);
    page->sizeSlider()->setValue(10);
    EXPECT_DOUBLE_EQ(p.style().largeInteractionWidth, 0.1);
    page->sizeSlider()->setValue(100);
    EXPECT_DOUBLE_EQ(p.style().largeInteractionWidth, 1.0);
    p.style().smallLabelFactor = 1.0 / 3.0;
    page->sizeClassBox()->setCurrentText("Small Proteins Font");
    EXPECT_EQ(page->sizeSlider()->value(), 33);

    // 0.29 survives the way through the slider and back.
    page->edgeAlphaSlider()->setValue(29);
    EXPECT_DOUBLE_EQ(p.style().edgeAlpha, 0.29);
    page.reset();
    makePage();
    EXPECT_EQ(page->edgeAlphaSlider()->value(), 29);

    // Not exploring: only the stored value changes.
    page->explorePlaneAlphaSlider()->setValue(80);
    EXPECT_DOUBLE_EQ(p.style().explorePlaneAlpha, 0.8);
    page->tiltedBox()->setChecked(true);
    EXPECT_TRUE(p.tiltedExplorePlane());
    page->tiltedBox()->setChecked(false);
    EXPECT_FALSE(p.tiltedExplorePlane());
}

TEST_F(VisualsPageTest, PickColorTakesTheDialogsAnswerAndACancelChangesNothing) {
    makePage();
    PathwayLayoutEntity& p = *pathway();
    page->colorClassBox()->setCurrentText("Highlighting");
    dialogs->colors.push_back(QColor(0, 0, 255));
    QTest::mouseClick(page->pickColorButton(), Qt::LeftButton);
    EXPECT_EQ(p.style().highlightingColor, Color4(0, 0, 1, 1));

    const Color4 before = p.style().highlightingColor;
    dialogs->colors.push_back(std::nullopt);
    page->pickColor();
    EXPECT_EQ(p.style().highlightingColor, before);
    EXPECT_EQ(dialogs->calls.size(), 2u);
}

TEST_F(VisualsPageTest, EveryChangeRepaintsTheViewAtOnce) {
    makePage();
    page->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    const auto repaints = [&](const char* control, const std::function<void()>& change) {
        const int before = services.repaints;
        change();
        EXPECT_GT(services.repaints, before) << control;
    };
    dialogs->colors.push_back(QColor(255, 0, 0));
    repaints("Pick Color", [&] { QTest::mouseClick(page->pickColorButton(), Qt::LeftButton); });
    repaints("Push appart", [&] { QTest::keyClick(page->pushBox(), Qt::Key_Up); });
    repaints("Pull together", [&] { QTest::keyClick(page->pullBox(), Qt::Key_Up); });
    repaints("Hubs appart", [&] { QTest::keyClick(page->hubsBox(), Qt::Key_Up); });
    repaints("Tilted Explore", [&] { QTest::mouseClick(page->tiltedBox(), Qt::LeftButton); });
}

TEST_F(VisualsPageTest, AdjustPositioningRunsOneThreadAndStoresWhereItStopped) {
    makePage();
    PathwayLayoutEntity& p = *pathway();
    QTest::mouseClick(page->adjustButton(), Qt::LeftButton);
    ASSERT_TRUE(page->layoutRunning());
    EXPECT_TRUE(page->adjustButton()->isChecked());
    ASSERT_NE(p.layouter(), nullptr);
    EXPECT_TRUE(page->layoutTimer()->isActive());
    PathwayLayouter* first = p.layouter();
    EXPECT_TRUE(QTest::qWaitFor([&] { return first->isRunning(); }));

    QTest::mouseClick(page->adjustButton(), Qt::LeftButton);
    EXPECT_FALSE(page->layoutRunning());
    EXPECT_FALSE(page->adjustButton()->isChecked());
    EXPECT_FALSE(page->layoutTimer()->isActive());
    // The thread has ended before the positions were stored.
    ASSERT_NE(p.layouter(), nullptr);
    EXPECT_TRUE(p.layouter()->isFinished());
    const Vector3 extent = p.getSize();
    int checked = 0;
    for (const auto& [id, node] : p.nodeTable()) {
        const Property* stored = p.graph().findNodeProperty(id, "position");
        if (node == nullptr || stored == nullptr)
            continue;
        const Vector3 at = node->getLocalFrame().translation;
        const Vector3 fraction = stored->getVector3();
        EXPECT_NEAR(fraction.x, at.x / extent.x, 1e-5) << id;
        EXPECT_NEAR(fraction.y, at.y / extent.y, 1e-5) << id;
        ++checked;
    }
    EXPECT_GT(checked, 0);

    // Fast start, stop, start: the stop waits for the thread, the start makes one.
    page->setLayoutRunning(true);
    page->removeStimulus();
    EXPECT_TRUE(p.layouter()->isFinished());
    page->setLayoutRunning(true);
    EXPECT_TRUE(page->adjustButton()->isChecked());
    ASSERT_NE(p.layouter(), nullptr);
    EXPECT_FALSE(p.layouter()->isFinished());
    // An ended thread may linger a moment before the system drops it.
    EXPECT_TRUE(QTest::qWaitFor([&] { return plainQThreads() == 1; }));
    // A second programmatic start is no restart.
    PathwayLayouter* third = p.layouter();
    page->setLayoutRunning(true);
    EXPECT_EQ(p.layouter(), third);

    // Forces written while the thread runs go through its snapshot.
    for (int v = 1; v <= 50; ++v)
        page->pushBox()->setValue(v);
    page->setLayoutRunning(false);
    EXPECT_TRUE(p.layouter()->isFinished());
    EXPECT_TRUE(QTest::qWaitFor([&] { return plainQThreads() == 0; }));
    EXPECT_DOUBLE_EQ(p.layoutForces().repulsiveForce, 5.0);
}

TEST_F(VisualsPageTest, WithoutAPathwayTheControlsDoNothing) {
    makePage();
    testing::internal::CaptureStdout();
    app().close();
    testing::internal::GetCapturedStdout();
    page->setLayoutRunning(true);
    EXPECT_FALSE(page->layoutRunning());
    EXPECT_FALSE(page->adjustButton()->isChecked());
    page->pushBox()->setValue(30);
    page->sizeSlider()->setValue(50);
    page->explorePlaneAlphaSlider()->setValue(10);
    dialogs->colors.push_back(QColor(1, 2, 3));
    page->pickColor();
    EXPECT_TRUE(dialogs->calls.empty());
}

}  // namespace
